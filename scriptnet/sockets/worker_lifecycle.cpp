// Serving a slot (tSetCallback), a worker's use of its slot's socket, a
// worker's last step, and stopping every worker when the module unloads.
#include <winsock2.h>
#include <windows.h>

#include <LuaPlus/LuaPlus.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "common/this_module.h"
#include "sockets/registered_universes.h"
#include "sockets/slot_socket.h"
#include "sockets/slot_worker.h"
#include "sockets/socket_operations.h"
#include "sockets/socket_table.h"
#include "sockets/winsock_io.h"

namespace {

// Handles of every worker thread that may not have ended yet (table lock).
// A thread's handle is signalled only after its last instruction, when it
// has also let go of the module.
std::vector<HANDLE> gWorkerThreads;
// Every worker that has not reached its last step yet (table lock): while
// listed, its object and Lua thread exist.
std::vector<SlotWorker*> gLiveWorkers;

// Forgets threads that have ended. Lock held.
void ForgetEndedThreads()
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

// Frees what a worker owns but its module reference, which it answers:
// its wake socket and events, its Lua thread, its name and itself.
HMODULE DestroyWorker(SlotWorker* worker)
{
    if (worker->wakeSocket != INVALID_SOCKET)
        CloseSocket(worker->wakeSocket);
    CloseOwnedHandle(worker->io.wakeEvent);
    CloseOwnedHandle(worker->io.ioEvent);
    if (worker->luaThread != nullptr)
        LuaPlus::LuaState::DestroyThread(worker->luaThread);
    std::free(worker->functionName);
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

// Makes the callbacks that still run end: their Lua code raises an error at
// its next step, in the worker's own Lua thread and in any coroutine that
// the worker's OS thread runs. Lock held.
void InterruptCallbacks()
{
    for (SlotWorker* worker : gLiveWorkers) {
        worker->luaThread->InterruptOsThread(worker->threadId);
        worker->luaThread->Interrupt();
    }
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

// Serves the slot (index, generation) by a new worker that calls the global
// function `name` in the caller's universe. Sets callbackName and
// workerThread. False, with nothing changed, if the slot was released or
// has a callback meanwhile, or the thread cannot be started.
bool StartSocketWorker(int index, unsigned generation, const char* name, LuaPlus::LuaState* callingState)
{
    SlotWorker* worker = new (std::nothrow) SlotWorker();
    if (worker == nullptr)
        return false;
    worker->index = index;
    worker->generation = generation;
    worker->wakeSocket = INVALID_SOCKET;
    OpenWakeSocket(&worker->wakeSocket);
    worker->io.wakeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    worker->io.ioEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // Made here, on the script's thread, which owns the stack the new Lua
    // thread is briefly pushed on.
    worker->luaThread = callingState->NewThread();
    worker->modulePin = PinThisModule();
    worker->functionName = CopyText(name);
    char* nameCopy = CopyText(name);
    if (worker->wakeSocket == INVALID_SOCKET || worker->io.wakeEvent == nullptr || worker->io.ioEvent == nullptr ||
        worker->luaThread == nullptr || worker->modulePin == nullptr || worker->functionName == nullptr ||
        nameCopy == nullptr) {
        std::free(nameCopy);
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
        if (UniverseIsRegistered(slot.scriptState) && SlotHasGeneration(slot, generation) &&
            slot.callbackName == nullptr && slot.worker == nullptr) {
            // The thread blocks on the table lock until the slot is complete.
            ForgetEndedThreads();
            HANDLE thread = nullptr;
            try {
                gWorkerThreads.reserve(gWorkerThreads.size() + 1);
                gLiveWorkers.reserve(gLiveWorkers.size() + 1);
                thread = CreateThread(nullptr, 0, SocketWorker, worker, 0, &worker->threadId);
            } catch (const std::bad_alloc&) {
                thread = nullptr;
            }
            if (thread != nullptr) {
                gWorkerThreads.push_back(thread);
                gLiveWorkers.push_back(worker);
                slot.workerThread = DuplicateOwnHandle(thread);
                slot.callbackName = nameCopy;
                slot.worker = worker;
                started = true;
            }
        }
    }
    if (!started) {
        std::free(nameCopy);
        DiscardWorker(worker);
    }
    return started;
}

}  // namespace

bool WorkerSlotIsLive(const SlotWorker* worker)
{
    const SocketSlot& slot = gSocketTable[worker->index];
    return SlotHasGeneration(slot, worker->generation) && slot.worker == worker;
}

bool ServeSlot(int handle, const char* name, LuaPlus::LuaState* caller)
{
    SocketSlot slot;
    if (!CopySlotOfHandle(handle, &slot) || slot.socket == nullptr || slot.callbackName != nullptr || name == nullptr)
        return false;
    if (!caller->GetGlobal(name).IsFunction())
        return false;
    // Callbacks run in the universe that owns the slot, and the worker's Lua
    // thread can only be made safely from a thread of that universe.
    if (caller->GetMainState() != slot.scriptState)
        return false;
    return StartSocketWorker(slot.slotIndex, slot.generation, name, caller);
}

void WakeSlotWorker(SlotWorker* worker)
{
    SendWake(worker->wakeSocket);
    worker->woken = true;
    SetEvent(worker->io.wakeEvent);
}

bool WorkerSocketIsCurrent(const SlotWorker* worker)
{
    return WorkerSlotIsLive(worker) && gSocketTable[worker->index].socket == worker->socketInUse;
}

bool UseCurrentSocket(SlotWorker* worker)
{
    // A release or replacement after this sets the event again and is seen
    // by the look that follows anyway.
    if (worker->woken) {
        ResetEvent(worker->io.wakeEvent);
        worker->woken = false;
    }
    EndWorkerSocketUse(worker);
    if (!WorkerSlotIsLive(worker))
        return false;
    worker->socketInUse = gSocketTable[worker->index].socket;
    BeginSocketUse(worker->socketInUse);
    return true;
}

void EndWorkerSocketUse(SlotWorker* worker)
{
    if (worker->socketInUse == nullptr)
        return;
    EndSocketUse(worker->socketInUse);
    worker->socketInUse = nullptr;
}

void FinishWorker(SlotWorker* worker)
{
    {
        // A released socket that the worker still used is closed here, and a
        // releasing thread waiting to reuse its port goes on.
        SocketTableLock lock;
        SocketSlot& slot = gSocketTable[worker->index];
        if (slot.worker == worker)
            slot.worker = nullptr;
        EndWorkerSocketUse(worker);
        // Once unlisted, the unloading no longer marks the worker's OS thread.
        for (size_t i = 0; i < gLiveWorkers.size(); ++i) {
            if (gLiveWorkers[i] == worker) {
                gLiveWorkers.erase(gLiveWorkers.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
    }
    // The thread's id may be given to a new thread once this one ends.
    worker->luaThread->EndOsThreadInterrupt(worker->threadId);
    FreeLibraryAndExitThread(DestroyWorker(worker), 0);
}

void StopAllSocketWorkers()
{
    ReleaseAllSlots();
    // No worker starts from here on, so the list is complete.
    std::vector<HANDLE> threads;
    {
        SocketTableLock lock;
        threads.swap(gWorkerThreads);
        InterruptCallbacks();
    }
    // Without a limit: the host closes the state once this returns, and a
    // worker still running in it would crash the process. Every wait of the
    // module's own ends at the unloading, and the marks reach any Lua code.
    for (HANDLE thread : threads) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}
