#include "sockets/worker_lifecycle.h"

#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "common/this_module.h"
#include "sockets/registered_universes.h"
#include "sockets/script_callback.h"
#include "sockets/slot_socket.h"
#include "sockets/slot_worker.h"
#include "sockets/socket_operations.h"
#include "sockets/socket_table.h"
#include "sockets/socket_worker.h"

namespace {

// Handles of every worker thread that may not have ended yet (table lock).
// A thread's handle is signalled only after its last instruction, when it
// has also let go of the module.
std::vector<HANDLE> gWorkerThreads;
// Every worker that has not reached its last step yet (table lock): while
// listed, its object and Lua thread exist.
std::vector<SlotWorker*> gLiveWorkers;
// Workers between two slots, waiting to be handed the next one (table
// lock). A connection's slot is served by one of them rather than by a new
// thread, Lua thread and events each time: under Wine making a thread
// costs as much as the rest of a short connection's life.
std::vector<SlotWorker*> gIdleWorkers;

// More idle workers than slots could never all be handed one.
const size_t IdleWorkerLimit = SocketSlotCount;

// Forgets threads that have ended.
void ForgetEndedThreadsLocked()
{
    size_t kept = 0;
    for (HANDLE thread : gWorkerThreads) {
        if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) {
            CloseHandle(thread);
        } else {
            gWorkerThreads[kept++] = thread;
        }
    }
    gWorkerThreads.resize(kept);
}

// Makes the callbacks that still run end: their Lua code raises an error
// at its next step, wherever the worker's OS thread runs Lua. Listed workers
// exist until they unlist themselves under the lock.
void InterruptLiveWorkersLocked()
{
    for (SlotWorker* worker : gLiveWorkers)
        InterruptCallbacks(worker->luaThread, worker->threadId);
}

// Frees what a worker owns but its module reference, which it answers:
// its events, its Lua thread, its name and itself.
HMODULE DestroyWorker(SlotWorker* worker)
{
    CloseOwnedHandle(worker->io.wakeEvent);
    CloseOwnedHandle(worker->io.ioEvent);
    if (worker->luaThread != nullptr)
        DestroyCallbackThread(worker->luaThread);
    std::free(worker->callbackName);
    HMODULE modulePin = worker->modulePin;
    delete worker;
    return modulePin;
}

// Undoes a start that did not get as far as the thread.
void DiscardWorker(SlotWorker* worker)
{
    HMODULE modulePin = DestroyWorker(worker);
    if (modulePin != nullptr)
        FreeLibrary(modulePin);
}

// The last step of a worker thread: it leaves the list, lets go of its Lua
// thread and what it owns, and releases the module reference. Does not
// return.
void FinishWorker(SlotWorker* worker)
{
    {
        // Once unlisted, the unloading no longer marks the worker's OS thread.
        SocketTableLock lock;
        for (size_t i = 0; i < gLiveWorkers.size(); ++i) {
            if (gLiveWorkers[i] == worker) {
                gLiveWorkers.erase(gLiveWorkers.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
    }
    EndCallbackInterrupt(worker->luaThread, worker->threadId);
    FreeLibraryAndExitThread(DestroyWorker(worker), 0);
}

// After a slot: waits, without a limit and without looking at anything,
// to be handed the next slot of its universe while that is registered.
// False when the worker is to end: its universe was unregistered (it is
// about to close), enough wait already, or the unloading came.
bool AwaitNextSlot(SlotWorker* worker)
{
    std::free(worker->callbackName);
    worker->callbackName = nullptr;
    {
        SocketTableLock lock;
        if (!UniverseIsRegisteredLocked(worker->universe) || gIdleWorkers.size() >= IdleWorkerLimit)
            return false;
        // Never more idle workers than live ones, for which room was made as
        // each thread started: this takes no memory.
        gIdleWorkers.push_back(worker);
        worker->handedSlot = false;
        ClearWakeLocked(worker);
    }
    WaitForSingleObject(worker->io.wakeEvent, INFINITE);
    SocketTableLock lock;
    return worker->handedSlot;
}

DWORD WINAPI WorkerThread(void* parameter)
{
    SlotWorker* worker = static_cast<SlotWorker*>(parameter);
    do {
        ServeSlotUntilDone(worker);
    } while (AwaitNextSlot(worker));
    FinishWorker(worker);
    return 0;
}

// An idle worker of the universe, taken from the waiting ones, or null.
SlotWorker* TakeIdleWorkerLocked(LuaPlus::LuaState* universe)
{
    for (size_t i = gIdleWorkers.size(); i-- > 0;) {
        SlotWorker* worker = gIdleWorkers[i];
        if (worker->universe == universe) {
            gIdleWorkers.erase(gIdleWorkers.begin() + static_cast<std::ptrdiff_t>(i));
            return worker;
        }
    }
    return nullptr;
}

// Ends the wait of every idle worker: they end.
void EndIdleWorkersLocked()
{
    for (SlotWorker* worker : gIdleWorkers)
        WakeWorkerLocked(worker);
    gIdleWorkers.clear();
}

// Whether a worker may serve the slot (index, generation) now.
bool SlotAwaitsWorkerLocked(int index, unsigned generation)
{
    SocketSlot& slot = gSocketTable[index];
    return UniverseIsRegisteredLocked(slot.scriptState) && SlotHasGenerationLocked(slot, generation) &&
        slot.worker == nullptr;
}

// The slot gets the worker, whose thread runs or waits for it.
void GiveSlotToWorkerLocked(SlotWorker* worker, int index, unsigned generation, char* callbackName)
{
    worker->index = index;
    worker->generation = generation;
    worker->callbackName = callbackName;
    SocketSlot& slot = gSocketTable[index];
    slot.worker = worker;
}

// A heap copy of a text, or null.
char* CopyText(const char* text)
{
    size_t length = std::strlen(text);
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy != nullptr)
        std::memcpy(copy, text, length + 1);
    return copy;
}

// Starts the worker's thread and lists both; the thread blocks on the
// table lock until the slot is complete. False when it cannot be started.
bool StartWorkerThreadLocked(SlotWorker* worker)
{
    ForgetEndedThreadsLocked();
    HANDLE thread = nullptr;
    try {
        gWorkerThreads.reserve(gWorkerThreads.size() + 1);
        gLiveWorkers.reserve(gLiveWorkers.size() + 1);
        gIdleWorkers.reserve(gLiveWorkers.size() + 1);
        thread = CreateThread(nullptr, 0, WorkerThread, worker, 0, &worker->threadId);
    } catch (const std::bad_alloc&) {
        thread = nullptr;
    }
    if (thread == nullptr)
        return false;
    gWorkerThreads.push_back(thread);
    gLiveWorkers.push_back(worker);
    return true;
}

// A new worker for slots of the caller's universe, with its Lua thread and
// events, or null.
SlotWorker* MakeWorker(LuaPlus::LuaState* caller, LuaPlus::LuaState* universe)
{
    SlotWorker* worker = new (std::nothrow) SlotWorker();
    if (worker == nullptr)
        return nullptr;
    worker->index = -1;
    worker->universe = universe;
    worker->io.wakeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    worker->io.ioEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    worker->luaThread = NewCallbackThread(caller);
    worker->modulePin = PinThisModule();
    if (worker->io.wakeEvent == nullptr || worker->io.ioEvent == nullptr || worker->luaThread == nullptr ||
        worker->modulePin == nullptr) {
        DiscardWorker(worker);
        return nullptr;
    }
    return worker;
}

// Serves the slot (index, generation) of `universe` by a worker that calls
// the global function `name`: an idle one of the universe, else a new one
// made through the caller. Sets the slot's worker. False,
// with nothing changed, if the slot was released or has a callback
// meanwhile, or no worker can be had.
bool StartSocketWorker(int index, unsigned generation, const char* name, LuaPlus::LuaState* caller,
                       LuaPlus::LuaState* universe)
{
    char* callbackName = CopyText(name);
    if (callbackName == nullptr)
        return false;
    {
        // No worker starts in a universe that the host unregistered: it is
        // about to close it, and the unloading waits only for the workers
        // that run then.
        SocketTableLock lock;
        if (!SlotAwaitsWorkerLocked(index, generation)) {
            std::free(callbackName);
            return false;
        }
        SlotWorker* idle = TakeIdleWorkerLocked(universe);
        if (idle != nullptr) {
            GiveSlotToWorkerLocked(idle, index, generation, callbackName);
            idle->handedSlot = true;
            WakeWorkerLocked(idle);
            return true;
        }
    }

    SlotWorker* worker = MakeWorker(caller, universe);
    bool started = false;
    if (worker != nullptr) {
        SocketTableLock lock;
        if (SlotAwaitsWorkerLocked(index, generation) && StartWorkerThreadLocked(worker)) {
            GiveSlotToWorkerLocked(worker, index, generation, callbackName);
            started = true;
        }
    }
    if (!started) {
        std::free(callbackName);
        if (worker != nullptr)
            DiscardWorker(worker);
    }
    return started;
}

}  // namespace

bool ServeSlot(int handle, const char* name, LuaPlus::LuaState* caller, LuaPlus::LuaState* callerUniverse)
{
    SocketSlot slot;
    if (!CopySlotOfHandle(handle, &slot) || slot.socket == nullptr || slot.worker != nullptr || name == nullptr)
        return false;
    if (!GlobalIsFunction(caller, name))
        return false;
    // Callbacks run in the universe that owns the slot, and the worker's Lua
    // thread can only be made safely from a thread of that universe.
    if (callerUniverse != slot.scriptState)
        return false;
    return StartSocketWorker(slot.slotIndex, slot.generation, name, caller, slot.scriptState);
}

void StopAllSocketWorkers()
{
    ReleaseAllSlots();
    // No worker starts from here on, so the list is complete.
    std::vector<HANDLE> threads;
    {
        SocketTableLock lock;
        threads.swap(gWorkerThreads);
        EndIdleWorkersLocked();
        InterruptLiveWorkersLocked();
    }
    // Without a limit: the host closes the state once this returns, and a
    // worker still running in it would crash the process. Every wait of the
    // module's own ends at the unloading, and the marks reach any Lua code.
    for (HANDLE thread : threads) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}
