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

DWORD WINAPI WorkerThread(void* parameter)
{
    SlotWorker* worker = static_cast<SlotWorker*>(parameter);
    ServeSlotUntilDone(worker);
    FinishWorker(worker);
    return 0;
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
// table lock until the slot is complete. Answers the thread, or null.
HANDLE StartWorkerThreadLocked(SlotWorker* worker)
{
    ForgetEndedThreadsLocked();
    HANDLE thread = nullptr;
    try {
        gWorkerThreads.reserve(gWorkerThreads.size() + 1);
        gLiveWorkers.reserve(gLiveWorkers.size() + 1);
        thread = CreateThread(nullptr, 0, WorkerThread, worker, 0, &worker->threadId);
    } catch (const std::bad_alloc&) {
        thread = nullptr;
    }
    if (thread == nullptr)
        return nullptr;
    gWorkerThreads.push_back(thread);
    gLiveWorkers.push_back(worker);
    return thread;
}

// Serves the slot (index, generation) by a new worker that calls the global
// function `name` in the caller's universe. Sets the slot's worker and
// workerThread. False, with nothing changed, if the slot was released or
// has a callback meanwhile, or the thread cannot be started.
bool StartSocketWorker(int index, unsigned generation, const char* name, LuaPlus::LuaState* caller)
{
    SlotWorker* worker = new (std::nothrow) SlotWorker();
    if (worker == nullptr)
        return false;
    worker->index = index;
    worker->generation = generation;
    worker->io.wakeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    worker->io.ioEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    worker->luaThread = NewCallbackThread(caller);
    worker->modulePin = PinThisModule();
    worker->callbackName = CopyText(name);
    if (worker->io.wakeEvent == nullptr || worker->io.ioEvent == nullptr || worker->luaThread == nullptr ||
        worker->modulePin == nullptr || worker->callbackName == nullptr) {
        DiscardWorker(worker);
        return false;
    }

    bool started = false;
    {
        // No worker starts in a universe that the host unregistered: it is
        // about to close it, and the unloading waits only for the workers
        // that run then.
        SocketTableLock lock;
        SocketSlot& slot = gSocketTable[index];
        if (UniverseIsRegisteredLocked(slot.scriptState) && SlotHasGenerationLocked(slot, generation) &&
            slot.worker == nullptr) {
            HANDLE thread = StartWorkerThreadLocked(worker);
            if (thread != nullptr) {
                slot.workerThread = DuplicateOwnHandle(thread);
                slot.worker = worker;
                started = true;
            }
        }
    }
    if (!started)
        DiscardWorker(worker);
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
    return StartSocketWorker(slot.slotIndex, slot.generation, name, caller);
}

void StopAllSocketWorkers()
{
    ReleaseAllSlots();
    // No worker starts from here on, so the list is complete.
    std::vector<HANDLE> threads;
    {
        SocketTableLock lock;
        threads.swap(gWorkerThreads);
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
