// tSetCallback: hands a slot to a worker thread that calls a global script
// function for its events.
#include <LuaPlus/LuaPlus.h>

#include "../host/script_arguments.h"
#include "../host/script_functions.h"
#include "slot_worker.h"
#include "socket_table.h"

int tSetCallback(LuaState* state, LuaStackObject* args)
{
    int index = SlotIndexOfHandle(args[1]);
    SocketSlot slot;
    if (index < 0 || !CopySlot(index, &slot) || slot.callbackName != nullptr) {
        return NumberResult(state, 0);
    }
    const char* name = TextArgument(args[2]);
    if (name == nullptr)
        return NumberResult(state, 0);
    if (!state->GetGlobal(name).IsFunction())
        return NumberResult(state, 0);
    // Callbacks run in the universe that owns the slot, and the worker's Lua
    // thread can only be made safely from a thread of that universe.
    if (state->GetMainState() != slot.scriptState)
        return NumberResult(state, 0);
    return NumberResult(state, StartSocketWorker(index, slot.generation, name, state) ? 1 : 0);
}
