// tolva_worker_host.exe: luahost with TestSleep(ms) and
// TestShortenWorkerWait(ms), and a check after the
// host has unregistered the module, closed the state and freed the DLL:
// every worker must have ended by then, so tolva.dll (which each worker
// keeps loaded while it runs) is gone. The process then lives on briefly,
// so a worker still running in a freed module or closed state would crash
// it. Exit code 3 means the module was still loaded.
#include <windows.h>

#include <cstdio>

#include "script_host.h"
#include "worker_wait_seam.h"

namespace {

using LuaPlus::LuaStackObject;
using LuaPlus::LuaState;

const DWORD kAfterUnloadPause = 500;

// Runs without the state's lock (the runtime releases it around every
// script function), so workers' callbacks run meanwhile.
int TestSleep(LuaState*, LuaStackObject* args)
{
    if (args[1].IsNumber())
        Sleep(static_cast<DWORD>(args[1].GetInteger()));
    return 0;
}

void PrepareTestGlobals(LuaState* state)
{
    LuaPlus::LuaObject globals = state->GetGlobals();
    globals.Register("TestSleep", TestSleep);
    globals.Register("TestShortenWorkerWait", TestShortenWorkerWait);
}

}  // namespace

int main(int argc, char** argv)
{
    int exitCode = RunScriptHost(argc, argv, PrepareTestGlobals);
    if (GetModuleHandleA("tolva.dll") != nullptr) {
        std::fprintf(stderr, "tolva_worker_host: tolva.dll still loaded after unloading\n");
        return 3;
    }
    Sleep(kAfterUnloadPause);
    std::fflush(stdout);
    return exitCode;
}
