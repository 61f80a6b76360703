// Starting a worker, handing a released slot's socket over to it, a
// worker's last step, and stopping every worker when the module unloads.
#include <winsock2.h>
#include <windows.h>

#include <LuaPlus/LuaPlus.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "slot_worker.h"
#include "socket_table.h"

namespace {

// Handles of every worker thread that may not have ended yet (table lock).
// A thread's handle is signalled only after its last instruction, when it
// has also let go of the module.
std::vector<HANDLE> workerThreads;
// Every worker that has not reached its last step yet (table lock): while
// listed, its object and Lua thread exist.
std::vector<SlotWorker*> liveWorkers;
// How long a release waits for a worker to close the socket handed over to
// it: a woken worker needs moments; only one held up elsewhere (the state's
// lock) takes longer, and its socket is then closed later.
const DWORD kHandOverLimit = 2000;
// The slices in which unloading waits for the workers, interrupting their
// script code and closing their message boxes after each.
const DWORD kStopSlice = 50;
const char kDialogClass[] = "#32770";
// Set while the module unloads: no worker may start then.
volatile LONG stoppingWorkers = 0;

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

StoppingSignal stoppingSignal;

// A UDP socket on the loopback interface, connected to its own address so
// that only it can send to itself: a datagram on it wakes the worker's
// readiness wait.
SOCKET MakeWakeSocket()
{
    SOCKET wake = socket(AF_INET, SOCK_DGRAM, 0);
    if (wake == INVALID_SOCKET)
        return INVALID_SOCKET;
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (bind(wake, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(wake, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        connect(wake, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(wake);
        return INVALID_SOCKET;
    }
    return wake;
}

// Forgets threads that have ended. Lock held.
void ForgetEndedThreads()
{
    size_t kept = 0;
    for (HANDLE thread : workerThreads) {
        if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) {
            CloseHandle(thread);
        } else {
            workerThreads[kept++] = thread;
        }
    }
    workerThreads.resize(kept);
}

// Undoes a start that did not get as far as the thread.
void DiscardWorker(SlotWorker* worker)
{
    if (worker->wakeSocket != INVALID_SOCKET)
        closesocket(worker->wakeSocket);
    if (worker->wakeEvent != nullptr)
        CloseHandle(worker->wakeEvent);
    if (worker->ioEvent != nullptr)
        CloseHandle(worker->ioEvent);
    if (worker->socketClosedEvent != nullptr)
        CloseHandle(worker->socketClosedEvent);
    if (worker->luaThread != nullptr)
        LuaPlus::LuaState::DestroyThread(worker->luaThread);
    if (worker->modulePin != nullptr)
        FreeLibrary(worker->modulePin);
    delete worker;
}

// Closes a message box (or any dialog) that a callback left open on its
// worker thread: the box's own loop handles the request and tMsg returns.
BOOL CALLBACK CloseDialogOfThread(HWND window, LPARAM)
{
    char className[sizeof kDialogClass + 1];
    if (GetClassNameA(window, className, sizeof className) > 0 && std::strcmp(className, kDialogClass) == 0)
        PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// Makes the callbacks that still run end: their script code raises an error
// at its next step, and their message boxes close. Lock held.
void InterruptCallbacks()
{
    for (SlotWorker* worker : liveWorkers) {
        worker->luaThread->Interrupt();
        EnumThreadWindows(worker->threadId, CloseDialogOfThread, 0);
    }
}

}  // namespace

HANDLE WorkersStoppingEvent()
{
    return stoppingSignal.event;
}

bool WorkerSlotIsLive(const SlotWorker* worker)
{
    const SocketSlot& slot = SocketTable[worker->index];
    return slot.generation == worker->generation && slot.slotFlags != 0 && slot.worker == worker;
}

bool StartSocketWorker(int index, unsigned generation, const char* name, LuaPlus::LuaState* callingState)
{
    if (stoppingWorkers)
        return false;
    SlotWorker* worker = new (std::nothrow) SlotWorker();
    if (worker == nullptr)
        return false;
    worker->index = index;
    worker->generation = generation;
    worker->releasedSocket = INVALID_SOCKET;
    worker->retiredSocket = INVALID_SOCKET;
    worker->wakeSocket = MakeWakeSocket();
    worker->wakeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    worker->ioEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    worker->socketClosedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // Made here, on the script's thread, which owns the stack the new Lua
    // thread is briefly pushed on.
    worker->luaThread = callingState->NewThread();
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&SocketWorker),
                       &worker->modulePin);
    size_t length = std::strlen(name);
    char* nameCopy = static_cast<char*>(std::malloc(length + 1));
    if (worker->wakeSocket == INVALID_SOCKET || worker->wakeEvent == nullptr || worker->ioEvent == nullptr ||
        worker->socketClosedEvent == nullptr || worker->luaThread == nullptr || worker->modulePin == nullptr ||
        nameCopy == nullptr) {
        std::free(nameCopy);
        DiscardWorker(worker);
        return false;
    }
    std::memcpy(nameCopy, name, length + 1);

    bool started = false;
    {
        SocketTableLock lock;
        SocketSlot& slot = SocketTable[index];
        if (!stoppingWorkers && slot.generation == generation && slot.slotFlags != 0 && slot.callbackName == nullptr &&
            slot.worker == nullptr) {
            // The thread blocks on the table lock until the slot is complete.
            ForgetEndedThreads();
            HANDLE thread = nullptr;
            try {
                workerThreads.reserve(workerThreads.size() + 1);
                liveWorkers.reserve(liveWorkers.size() + 1);
                thread = CreateThread(nullptr, 0, SocketWorker, worker, 0, &worker->threadId);
            } catch (const std::bad_alloc&) {
                thread = nullptr;
            }
            if (thread != nullptr) {
                workerThreads.push_back(thread);
                liveWorkers.push_back(worker);
                HANDLE slotCopy = nullptr;
                if (!DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &slotCopy, 0, FALSE,
                                     DUPLICATE_SAME_ACCESS)) {
                    slotCopy = nullptr;
                }
                slot.workerThread = slotCopy;
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

HANDLE HandOverServedSocket(SlotWorker* worker, SOCKET socketHandle)
{
    if (worker->inCallback) {
        // The worker reads the slot again before its next socket call and
        // then finds it released.
        closesocket(socketHandle);
        socketHandle = INVALID_SOCKET;
    }
    HANDLE closed = nullptr;
    if (socketHandle != INVALID_SOCKET && worker->releasedSocket == INVALID_SOCKET) {
        worker->releasedSocket = socketHandle;
        shutdown(socketHandle, SD_BOTH);
        if (!DuplicateHandle(GetCurrentProcess(), worker->socketClosedEvent, GetCurrentProcess(), &closed, 0, FALSE,
                             DUPLICATE_SAME_ACCESS)) {
            closed = nullptr;
        }
    } else if (socketHandle != INVALID_SOCKET) {
        closesocket(socketHandle);  // cannot happen: a slot is released once
    }
    send(worker->wakeSocket, "", 1, 0);
    SetEvent(worker->wakeEvent);
    return closed;
}

void AwaitHandedOverSockets(HANDLE* events, int count)
{
    DWORD start = GetTickCount();
    for (int i = 0; i < count; ++i) {
        DWORD spent = GetTickCount() - start;
        WaitForSingleObject(events[i], spent < kHandOverLimit ? kHandOverLimit - spent : 0);
        CloseHandle(events[i]);
    }
}

void RetireServedSocket(SlotWorker* worker, SOCKET socketHandle)
{
    if (worker->retiredSocket != INVALID_SOCKET) {
        // Cannot happen (only a listening socket is replaced, by a connection,
        // which cannot listen); closing is then the lesser harm than a leak.
        closesocket(socketHandle);
        return;
    }
    worker->retiredSocket = socketHandle;
    send(worker->wakeSocket, "", 1, 0);
    SetEvent(worker->wakeEvent);
}

SOCKET TakeRetiredSocket(SlotWorker* worker)
{
    SocketTableLock lock;
    SOCKET retired = worker->retiredSocket;
    worker->retiredSocket = INVALID_SOCKET;
    // A release after this sets the event again and is seen by the slot check
    // that follows anyway.
    ResetEvent(worker->wakeEvent);
    return retired;
}

void FinishWorker(SlotWorker* worker)
{
    SOCKET retired;
    SOCKET released;
    {
        // Once the slot no longer names the worker nothing hands it a socket.
        SocketTableLock lock;
        SocketSlot& slot = SocketTable[worker->index];
        if (slot.worker == worker)
            slot.worker = nullptr;
        retired = TakeRetiredSocket(worker);
        released = worker->releasedSocket;
        worker->releasedSocket = INVALID_SOCKET;
        for (size_t i = 0; i < liveWorkers.size(); ++i) {
            if (liveWorkers[i] == worker) {
                liveWorkers.erase(liveWorkers.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
    }
    if (retired != INVALID_SOCKET)
        closesocket(retired);
    if (released != INVALID_SOCKET)
        closesocket(released);
    // The releasing thread may be waiting for this to reuse the port.
    SetEvent(worker->socketClosedEvent);
    closesocket(worker->wakeSocket);
    CloseHandle(worker->wakeEvent);
    CloseHandle(worker->ioEvent);
    CloseHandle(worker->socketClosedEvent);
    LuaPlus::LuaState::DestroyThread(worker->luaThread);
    HMODULE modulePin = worker->modulePin;
    delete worker;
    FreeLibraryAndExitThread(modulePin, 0);
}

void StopAllSocketWorkers(DWORD limit)
{
    InterlockedExchange(&stoppingWorkers, 1);
    if (stoppingSignal.event != nullptr)
        SetEvent(stoppingSignal.event);
    {
        // Ends blocking receives and sends of callbacks on any slot's
        // connection, served or not.
        SocketTableLock lock;
        for (const SocketSlot& slot : SocketTable) {
            if (slot.slotFlags != 0)
                shutdown(slot.socketHandle, SD_BOTH);
        }
    }
    ReleaseAllSlots();
    // No worker starts from here on, so the list is complete.
    std::vector<HANDLE> threads;
    {
        SocketTableLock lock;
        threads.swap(workerThreads);
        InterruptCallbacks();
    }
    DWORD start = GetTickCount();
    for (HANDLE thread : threads) {
        for (;;) {
            DWORD spent = GetTickCount() - start;
            DWORD left = spent < limit ? limit - spent : 0;
            if (WaitForSingleObject(thread, left < kStopSlice ? left : kStopSlice) != WAIT_TIMEOUT || left == 0)
                break;
            // A callback may have started Lua code or a box since.
            SocketTableLock lock;
            InterruptCallbacks();
        }
        CloseHandle(thread);
    }
    // A callback that was still running may have made sockets meanwhile.
    ReleaseAllSlots();
    if (stoppingSignal.event != nullptr)
        ResetEvent(stoppingSignal.event);
    InterlockedExchange(&stoppingWorkers, 0);
}
