// The two entry points through which a LuaPlus host loads and unloads the
// module.
#include "common/unloading_signal.h"
#include "host/script_functions.h"
#include "sockets/socket_operations.h"

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
    // Registered (again): the state gets sockets and workers, Winsock is
    // started once more, and the module's waits no longer end at once.
    RegisterSocketUniverse(state->GetMainState());
    ClearUnloading();
    LuaPlus::LuaObject globals = state->GetGlobals();
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
    UnregisterSocketUniverses();
    SignalUnloading();
    StopSockets();
}
