// Everything the socket layer does with Lua: the test that a global is a
// function, the Lua thread a worker calls through, its interruption when the
// module unloads, and the call of a served slot's script function. The one
// file of sockets/ that knows Lua values; the others hold a LuaState only as
// an opaque owner.
#ifndef SCRIPTNET_SOCKETS_SCRIPT_CALLBACK_H
#define SCRIPTNET_SOCKETS_SCRIPT_CALLBACK_H

#include <windows.h>

namespace LuaPlus {
class LuaState;
}

// Event codes of the callback's second argument.
enum CallbackEvent {
    CallbackClosed = 0,
    CallbackData = 1,
    CallbackAccepted = 2,
};

// Whether the state's global `name` holds a function now.
bool GlobalIsFunction(LuaPlus::LuaState* state, const char* name);

// A new Lua thread of the caller's universe for a worker to call through,
// or null. Made on the calling script's thread, which owns the stack the
// new thread is briefly pushed on.
LuaPlus::LuaState* NewCallbackThread(LuaPlus::LuaState* caller);
void DestroyCallbackThread(LuaPlus::LuaState* thread);

// Makes the Lua code that runs on the worker's OS thread raise an error at
// its next step, in the worker's own Lua thread and in any coroutine the OS
// thread runs, until EndCallbackInterrupt.
void InterruptCallbacks(LuaPlus::LuaState* thread, DWORD osThreadId);

// Before the OS thread ends: its id may be given to a new thread.
void EndCallbackInterrupt(LuaPlus::LuaState* thread, DWORD osThreadId);

struct CallbackArguments {
    int handle;
    int event;         // a CallbackEvent
    const char* text;  // null: ""
    int extra;
};

// Asked once more just before a call starts; false: no call.
typedef bool (*CallbackGate)(void* context);

// Calls the global function `name` through the thread with (handle, event,
// text, extra) for one result, protected; answers whether that result is
// true. No call when the global is not a function or the gate says no.
bool CallScriptFunction(LuaPlus::LuaState* thread, const char* name, const CallbackArguments& arguments,
                        CallbackGate gate, void* gateContext);

#endif
