// bench_host.exe [--module PATH] SCRIPT [ARGS...]: luahost with the globals
// the benchmark scripts need: clocks, the empty C function that is the
// baseline of a trivial tolva function, registered through the same binding,
// and the same function in the runtime's own shape, the baseline of the
// binding's call cost.
#include <LuaPlus/LuaPlus.h>

#include "bench_report.h"
#include "script_host.h"

namespace {

using LuaPlus::LuaStackObject;
using LuaPlus::LuaState;

// Does nothing but give the one number every script function gives.
int BenchEmpty(LuaState* state, LuaStackObject*)
{
    state->PushNumber(0);
    return 1;
}

// BenchEmpty as the runtime calls it without the binding's dispatch (no
// argument array, no lookup of the C++ function).
int BenchPlainEmpty(lua_State* L)
{
    LuaState::CastState(L)->PushNumber(0);
    return 1;
}

int BenchClock(LuaState* state, LuaStackObject*)
{
    state->PushNumber(BenchNow());
    return 1;
}

int BenchCpu(LuaState* state, LuaStackObject*)
{
    state->PushNumber(BenchCpuSeconds());
    return 1;
}

void PrepareBenchGlobals(LuaState* state)
{
    LuaPlus::LuaObject globals = state->GetGlobals();
    globals.Register("BenchEmpty", BenchEmpty);
    globals.RegisterCFunction("BenchPlainEmpty", BenchPlainEmpty);
    globals.Register("BenchClock", BenchClock);
    globals.Register("BenchCpu", BenchCpu);
}

}  // namespace

int main(int argc, char** argv)
{
    return RunScriptHost(argc, argv, PrepareBenchGlobals);
}
