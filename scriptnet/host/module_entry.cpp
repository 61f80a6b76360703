// The two entry points through which a LuaPlus host loads and unloads the
// module.
#include <winsock2.h>
#include <windows.h>

#include "common/unloading_signal.h"
#include "host/script_functions.h"
#include "sockets/registered_universes.h"
#include "sockets/slot_worker.h"
#include "sockets/winsock_io.h"

namespace {

struct ScriptFunction {
    const char* name;
    LuaPlus::LuaStateCFunction function;
};

// Registration order is part of the module's interface.
const ScriptFunction ScriptFunctions[] = {
    {"tCreate", tCreate},
    {"tClose", tClose},
    {"tConnect", tConnect},
    {"tListen", tListen},
    {"tAccept", tAccept},
    {"tWait", tWait},
    {"tRecv", tRecv},
    {"tSend", tSend},
    {"tSendTo", tSendTo},
    {"tSetCallback", tSetCallback},
    {"tGetError", tGetError},
    {"tMsg", tMsg},
    {"tClean", tClean},
    {"tGetCount", tGetCount},
    {"tStartDebug", tStartDebug},
    {"tStopDebug", tStopDebug},
    {"tFlash", tFlash},
    {"tFlashAsync", tFlashAsync},
    {"tSetFlashTime", tSetFlashTime},
};

}  // namespace

extern "C" void LuaPlus_RegisterModule(LuaState* state)
{
    if (state == nullptr)
        return;
    // Registered (again): the state gets sockets and workers, and the
    // module's waits no longer end at once.
    RegisterUniverse(state->GetMainState());
    ClearUnloading();
    LuaPlus::LuaObject globals = state->GetGlobals();
    // Each registration starts Winsock once more; the result is not needed:
    // if it failed every socket call fails and the functions say so.
    StartWinsock();
    for (const ScriptFunction& entry : ScriptFunctions)
        globals.Register(entry.name, entry.function);
}

// Every slot is released and every worker stopped and waited for: the host
// closes the state and unloads the module next, and a worker still running
// then would crash it. The host names no state: every registration ends,
// so that nothing (a finalizer run by the closing, a callback still
// returning) makes a socket or starts a worker in a state about to close.
// The script's own thread may still be inside a call of the module (the
// host may unload on another thread, at Ctrl+C): its waits end too.
extern "C" void LuaPlus_UnregisterModule()
{
    UnregisterAllUniverses();
    SignalUnloading();
    StopAllSocketWorkers();
    CloseIdleIoEvents();
}
