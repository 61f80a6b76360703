// InvokeCallback: one call of a served slot's script function from its
// worker thread.
#include <LuaPlus/LuaPlus.h>

#include "sockets/slot_worker.h"
#include "sockets/socket_table.h"

namespace {

bool SlotStillServed(const SlotWorker* worker)
{
    SocketTableLock lock;
    return WorkerSlotIsLive(worker);
}

}  // namespace

bool InvokeCallback(SlotWorker* worker, const char* text, int event, int extra)
{
    {
        // From here until its next pass the worker makes no call on its
        // socket: a release closes the socket at once, even while the call
        // waits for the state's lock.
        SocketTableLock lock;
        EndWorkerSocketUse(worker);
    }
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
    if (SlotStillServed(worker) && call.PCall(1) == 0) {
        LuaPlus::LuaObject result = thread->Stack(height + 1);
        answer = result.IsBoolean() && result.GetBoolean();
    }
    int extraValues = thread->GetTop() - height;
    if (extraValues > 0)
        thread->Pop(extraValues);
    return answer;
}
