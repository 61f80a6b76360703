// Stopping a running script from the console: Ctrl+C, Ctrl+Break, closing
// the console window, logging off or shutting down. The script's Lua code
// is interrupted and the module unregistered, which closes every socket and
// ends the module's blocking calls and workers; the script's chunk then ends
// with an error and the host closes down as after any script. A second
// event ends the process at once.
#ifndef LUAHOST_CONSOLE_STOP_H
#define LUAHOST_CONSOLE_STOP_H

#include <LuaPlus/LuaPlus.h>

// The exit code of a host stopped so: STATUS_CONTROL_C_EXIT, which Windows
// gives any console program that Ctrl+C ends.
const int ConsoleStopExitCode = static_cast<int>(0xC000013AUL);

typedef void (*StopModuleFunction)();

// From here on a console event interrupts the script that the calling
// thread runs in `state` (coroutines included) and calls `stopModule`
// (on a thread of its own), until EndConsoleStops.
void BeginConsoleStops(LuaPlus::LuaState* state, StopModuleFunction stopModule);

// Afterwards no console event touches the state or the module; a stop that
// is under way is waited for. Answers what stopped the script ("Ctrl+C",
// ...) or null.
const char* EndConsoleStops();

#endif
