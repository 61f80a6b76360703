// Serving a slot (tSetCallback), handing a released slot's socket over to
// its worker, a worker's last step, and stopping every worker when the
// module unloads.
#include <winsock2.h>
#include <windows.h>

#include <LuaPlus/LuaPlus.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "common/this_module.h"
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
// How long a release waits for a worker to close the socket handed over to
// it: a woken worker needs moments; only one held up elsewhere (the state's
// lock) takes longer, and its socket is then closed later.
const DWORD HandOverLimit = 2000;
// The slices in which unloading waits for the workers, interrupting their
// script code and closing their message boxes after each.
const DWORD StopSlice = 50;
const char DialogClass[] = "#32770";
// Set while the module unloads: no worker may start then.
volatile LONG gStoppingWorkers = 0;

// Owns the event of WorkersStoppingEvent for the module's lifetime; no
// worker outlives the module (each holds a reference on it).
struct StoppingSignal {
    HANDLE event;
    StoppingSignal() : event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~StoppingSignal()
    {
        if (event != nullptr)
            CloseHandle(event);
    }
    StoppingSignal(const StoppingSignal&) = delete;
    StoppingSignal& operator=(const StoppingSignal&) = delete;
};

StoppingSignal gStoppingSignal;

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
    CloseOwnedHandle(worker->socketClosedEvent);
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

// Closes a message box (or any dialog) that a callback left open on its
// worker thread: the box's own loop handles the request and tMsg returns.
BOOL CALLBACK CloseDialogOfThread(HWND window, LPARAM)
{
    char className[sizeof DialogClass + 1];
    if (GetClassNameA(window, className, sizeof className) > 0 && std::strcmp(className, DialogClass) == 0)
        PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// Makes the callbacks that still run end: their script code raises an error
// at its next step, and their message boxes close. Lock held.
void InterruptCallbacks()
{
    for (SlotWorker* worker : gLiveWorkers) {
        worker->luaThread->Interrupt();
        EnumThreadWindows(worker->threadId, CloseDialogOfThread, 0);
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
    if (gStoppingWorkers)
        return false;
    SlotWorker* worker = new (std::nothrow) SlotWorker();
    if (worker == nullptr)
        return false;
    worker->index = index;
    worker->generation = generation;
    worker->releasedSocket = INVALID_SOCKET;
    worker->retiredSocket = INVALID_SOCKET;
    worker->wakeSocket = INVALID_SOCKET;
    OpenWakeSocket(&worker->wakeSocket);
    worker->io.wakeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    worker->io.ioEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    worker->socketClosedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // Made here, on the script's thread, which owns the stack the new Lua
    // thread is briefly pushed on.
    worker->luaThread = callingState->NewThread();
    worker->modulePin = PinThisModule();
    worker->functionName = CopyText(name);
    char* nameCopy = CopyText(name);
    if (worker->wakeSocket == INVALID_SOCKET || worker->io.wakeEvent == nullptr || worker->io.ioEvent == nullptr ||
        worker->socketClosedEvent == nullptr || worker->luaThread == nullptr || worker->modulePin == nullptr ||
        worker->functionName == nullptr || nameCopy == nullptr) {
        std::free(nameCopy);
        DiscardWorker(worker);
        return false;
    }

    bool started = false;
    {
        SocketTableLock lock;
        SocketSlot& slot = gSocketTable[index];
        if (!gStoppingWorkers && SlotHasGeneration(slot, generation) && slot.callbackName == nullptr &&
            slot.worker == nullptr) {
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

HANDLE WorkersStoppingEvent()
{
    return gStoppingSignal.event;
}

bool WorkerSlotIsLive(const SlotWorker* worker)
{
    const SocketSlot& slot = gSocketTable[worker->index];
    return SlotHasGeneration(slot, worker->generation) && slot.worker == worker;
}

bool ServeSlot(int handle, const char* name, LuaPlus::LuaState* caller)
{
    SocketSlot slot;
    if (!CopySlotOfHandle(handle, &slot) || slot.callbackName != nullptr || name == nullptr)
        return false;
    if (!caller->GetGlobal(name).IsFunction())
        return false;
    // Callbacks run in the universe that owns the slot, and the worker's Lua
    // thread can only be made safely from a thread of that universe.
    if (caller->GetMainState() != slot.scriptState)
        return false;
    return StartSocketWorker(slot.slotIndex, slot.generation, name, caller);
}

HANDLE HandOverServedSocket(SlotWorker* worker, SOCKET socketHandle)
{
    HANDLE closed = nullptr;
    if (worker->inCallback) {
        // The worker reads the slot again before its next socket call and
        // then finds it released.
        CloseSocket(socketHandle);
    } else if (worker->releasedSocket == INVALID_SOCKET) {
        worker->releasedSocket = socketHandle;
        ShutDownSocket(socketHandle);
        closed = DuplicateOwnHandle(worker->socketClosedEvent);
    } else {
        CloseSocket(socketHandle);  // cannot happen: a slot is released once
    }
    WakeSlotWorker(worker);
    return closed;
}

void WakeSlotWorker(SlotWorker* worker)
{
    SendWake(worker->wakeSocket);
    worker->woken = true;
    SetEvent(worker->io.wakeEvent);
}

void AwaitHandedOverSockets(HANDLE* events, int count)
{
    DWORD start = GetTickCount();
    for (int i = 0; i < count; ++i) {
        DWORD spent = GetTickCount() - start;
        WaitForSingleObject(events[i], spent < HandOverLimit ? HandOverLimit - spent : 0);
        CloseHandle(events[i]);
    }
}

void RetireServedSocket(SlotWorker* worker, SOCKET socketHandle)
{
    if (worker->retiredSocket != INVALID_SOCKET) {
        // Cannot happen (only a listening socket is replaced, by a connection,
        // which cannot listen); closing is then the lesser harm than a leak.
        CloseSocket(socketHandle);
        return;
    }
    worker->retiredSocket = socketHandle;
    WakeSlotWorker(worker);
}

SOCKET TakeRetiredSocket(SlotWorker* worker)
{
    SOCKET retired = worker->retiredSocket;
    worker->retiredSocket = INVALID_SOCKET;
    // A release after this sets the event again and is seen by the slot check
    // that follows anyway.
    if (worker->woken) {
        ResetEvent(worker->io.wakeEvent);
        worker->woken = false;
    }
    return retired;
}

void FinishWorker(SlotWorker* worker)
{
    SOCKET retired;
    SOCKET released;
    {
        // Once the slot no longer names the worker nothing hands it a socket.
        SocketTableLock lock;
        SocketSlot& slot = gSocketTable[worker->index];
        if (slot.worker == worker)
            slot.worker = nullptr;
        retired = TakeRetiredSocket(worker);
        released = worker->releasedSocket;
        worker->releasedSocket = INVALID_SOCKET;
        for (size_t i = 0; i < gLiveWorkers.size(); ++i) {
            if (gLiveWorkers[i] == worker) {
                gLiveWorkers.erase(gLiveWorkers.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
    }
    if (retired != INVALID_SOCKET)
        CloseSocket(retired);
    if (released != INVALID_SOCKET)
        CloseSocket(released);
    // The releasing thread may be waiting for this to reuse the port.
    SetEvent(worker->socketClosedEvent);
    FreeLibraryAndExitThread(DestroyWorker(worker), 0);
}

void StopAllSocketWorkers(DWORD limit)
{
    InterlockedExchange(&gStoppingWorkers, 1);
    if (gStoppingSignal.event != nullptr)
        SetEvent(gStoppingSignal.event);
    {
        // Ends blocking receives and sends of callbacks on any slot's
        // connection, served or not.
        SocketTableLock lock;
        for (const SocketSlot& slot : gSocketTable) {
            if (slot.slotFlags != 0)
                ShutDownSocket(slot.socketHandle);
        }
    }
    ReleaseAllSlots();
    // No worker starts from here on, so the list is complete.
    std::vector<HANDLE> threads;
    {
        SocketTableLock lock;
        threads.swap(gWorkerThreads);
        InterruptCallbacks();
    }
    DWORD start = GetTickCount();
    for (HANDLE thread : threads) {
        for (;;) {
            DWORD spent = GetTickCount() - start;
            DWORD left = spent < limit ? limit - spent : 0;
            if (WaitForSingleObject(thread, left < StopSlice ? left : StopSlice) != WAIT_TIMEOUT || left == 0)
                break;
            // A callback may have started Lua code or a box since.
            SocketTableLock lock;
            InterruptCallbacks();
        }
        CloseHandle(thread);
    }
    // A callback that was still running may have made sockets meanwhile.
    ReleaseAllSlots();
    if (gStoppingSignal.event != nullptr)
        ResetEvent(gStoppingSignal.event);
    InterlockedExchange(&gStoppingWorkers, 0);
}
