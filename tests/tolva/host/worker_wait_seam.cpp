#include "worker_wait_seam.h"

#include <windows.h>

#include "LuaPlus/LuaPlus.h"
#include "pe_image.h"

int TestShortenWorkerWait(LuaPlus::LuaState* state, LuaPlus::LuaStackObject* args)
{
    auto waitMilliseconds = ModuleGlobal<volatile long>(GetModuleHandleA("tolva.dll"), "gWorkerWaitMilliseconds");
    if (waitMilliseconds == nullptr || !args[1].IsNumber() || args[1].GetInteger() <= 0)
        return 0;
    *waitMilliseconds = args[1].GetInteger();
    state->PushBoolean(true);
    return 1;
}
