// The script host behind luahost.exe: a new state with the standard
// libraries, an extension module loaded and registered, one script run.
#ifndef LUAHOST_SCRIPT_HOST_H
#define LUAHOST_SCRIPT_HOST_H

#include <LuaPlus/LuaPlus.h>

// Called with the new state before the module is registered; lets a test
// host add its own globals.
typedef void (*PrepareStateFunction)(LuaPlus::LuaState* state);

// Runs `[--module PATH] SCRIPT [ARGS...]` (argv[0] is the program), or
// prints the usage, and answers the process's exit code: 0 when the script
// ran to its end, 1 after its error, 2 for a wrong command line,
// ConsoleStopExitCode after a console stop (console_stop.h).
int RunScriptHost(int argc, char** argv, PrepareStateFunction prepare);

#endif
