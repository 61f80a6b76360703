#include "sockets/script_callback.h"

#include <LuaPlus/LuaPlus.h>

bool GlobalIsFunction(LuaPlus::LuaState* state, const char* name)
{
    return state->GetGlobal(name).IsFunction();
}

LuaPlus::LuaState* NewCallbackThread(LuaPlus::LuaState* caller)
{
    return caller->NewThread();
}

void DestroyCallbackThread(LuaPlus::LuaState* thread)
{
    LuaPlus::LuaState::DestroyThread(thread);
}

void InterruptCallbacks(LuaPlus::LuaState* thread, DWORD osThreadId)
{
    thread->InterruptOsThread(osThreadId);
    thread->Interrupt();
}

void EndCallbackInterrupt(LuaPlus::LuaState* thread, DWORD osThreadId)
{
    thread->EndOsThreadInterrupt(osThreadId);
}

bool CallScriptFunction(LuaPlus::LuaState* thread, const char* name, const CallbackArguments& arguments,
                        CallbackGate gate, void* gateContext)
{
    // Looked up by name on every call: the script may redefine it.
    LuaPlus::LuaObject function = thread->GetGlobal(name);
    if (!function.IsFunction())
        return false;

    int height = thread->GetTop();
    LuaPlus::LuaCall call = function();
    call << static_cast<double>(arguments.handle) << static_cast<double>(arguments.event)
         << (arguments.text != nullptr ? arguments.text : "") << static_cast<double>(arguments.extra);
    // The gate as late as possible: the lookup and the pushes may have waited
    // for the state's lock while another thread changed what the gate sees.
    bool answer = false;
    if (gate(gateContext) && call.PCall(1) == 0) {
        LuaPlus::LuaObject result = thread->Stack(height + 1);
        answer = result.IsBoolean() && result.GetBoolean();
    }
    int extraValues = thread->GetTop() - height;
    if (extraValues > 0)
        thread->Pop(extraValues);
    return answer;
}
