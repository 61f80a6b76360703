// InvokeCallback: one call of a served slot's script function from its
// worker thread.
#include <LuaPlus/LuaPlus.h>

#include "sockets/slot_worker.h"
#include "sockets/socket_table.h"

namespace {

// Enters the call if the slot is still the worker's: from here until the
// worker reads the slot again it uses no socket (see HandOverServedSocket).
bool EnterCallback(SlotWorker* worker)
{
    SocketTableLock lock;
    if (!WorkerSlotIsLive(worker))
        return false;
    worker->inCallback = true;
    return true;
}

void LeaveCallback(SlotWorker* worker)
{
    SocketTableLock lock;
    worker->inCallback = false;
}

}  // namespace

bool InvokeCallback(SlotWorker* worker, const char* text, int event, int extra)
{
    LuaPlus::LuaState* thread = worker->luaThread;
    // Looked up by name on every call: the script may redefine it.
    LuaPlus::LuaObject function = thread->GetGlobal(worker->functionName);
    if (!function.IsFunction())
        return false;

    int height = thread->GetTop();
    LuaPlus::LuaCall call = function();
    call << static_cast<double>(worker->index + 1) << static_cast<double>(event) << (text != nullptr ? text : "")
         << static_cast<double>(extra);
    // Checked once more as late as possible: the lookup and the pushes may
    // have waited for the state's lock while the script released the slot.
    // What remains is the moment between this check and the call's start, in
    // which a release on another thread still lets this one call begin.
    bool answer = false;
    if (EnterCallback(worker)) {
        if (call.PCall(1) == 0) {
            LuaPlus::LuaObject result = thread->Stack(height + 1);
            answer = result.IsBoolean() && result.GetBoolean();
        }
        LeaveCallback(worker);
    }
    int extraValues = thread->GetTop() - height;
    if (extraValues > 0)
        thread->Pop(extraValues);
    return answer;
}
