// Reading script arguments and pushing results: the only place of the
// module that decodes Lua values for the script functions.
#ifndef SCRIPTNET_HOST_SCRIPT_ARGUMENTS_H
#define SCRIPTNET_HOST_SCRIPT_ARGUMENTS_H

#include <LuaPlus/LuaPlus.h>

// A single-precision number truncated to an int; out-of-range values are
// clamped (a plain cast would be undefined) and NaN gives 0.
int TruncateNumber(float value);

// A port: the number truncated, then its low 16 bits (65537 is port 1).
// The argument must be a number.
unsigned short PortArgument(const LuaPlus::LuaStackObject& argument);

// A socket handle: a number's integer value (fraction dropped), or 0, which
// names no slot, for anything else.
int HandleArgument(const LuaPlus::LuaStackObject& argument);

// A number's integer value (fraction dropped, clamped); false, with
// nothing written, for anything that is not a number.
bool IntegerArgument(const LuaPlus::LuaStackObject& argument, int* value);

// The text of a string argument, or null for anything else (numbers are not
// text). The text ends at its first zero byte.
const char* TextArgument(const LuaPlus::LuaStackObject& argument);

// The same with the text's length in bytes, up to its first zero byte.
const char* TextArgument(const LuaPlus::LuaStackObject& argument, int* length);

// Pushes one number result; answers the result count.
int NumberResult(LuaPlus::LuaState* state, double value);

// Pushes 1 for success or the failure number; answers the result count.
int OutcomeResult(LuaPlus::LuaState* state, bool succeeded);

// Pushes one text result; answers the result count.
int TextResult(LuaPlus::LuaState* state, const char* text);

#endif
