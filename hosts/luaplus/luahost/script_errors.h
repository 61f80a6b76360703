// How a script's error is told: its message with every file named as given
// (Lua's own messages cut long file names to their last 52 characters or
// so), and the stack at that moment.
#ifndef LUAHOST_SCRIPT_ERRORS_H
#define LUAHOST_SCRIPT_ERRORS_H

#include <LuaPlus/LuaPlus.h>

// Pushes the message handler for running `script`; answers its stack index,
// or 0 (nothing pushed) without the debug library.
int PushScriptErrorHandler(LuaPlus::LuaState* state, const char* script);

// Prints the error message on top of the stack. A message of loading the
// script goes through the handler first, which names the script whole.
void ReportScriptError(LuaPlus::LuaState* state, int handler, bool loading);

#endif
