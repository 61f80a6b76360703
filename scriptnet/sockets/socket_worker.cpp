// SocketWorker: the thread that serves one slot until its callback answers
// not true, its connection ends, its waits run out or the slot is released.
#include <cstdlib>

#include "common/this_module.h"
#include "sockets/slot_socket.h"
#include "sockets/slot_worker.h"
#include "sockets/socket_table.h"
#include "sockets/winsock_io.h"

namespace {

const int EmptyWaitLimit = 27;
// How often a worker whose TCP socket is not connected yet looks again.
const DWORD UnconnectedPollMilliseconds = 20;
const unsigned ListeningTcp = SlotInUse | SlotListening;

// Empty: the wait ran out without an event.
enum class Step { Continue, End, Released, NotConnected, Empty };

// What the worker knows of its slot between two looks under the lock.
struct SlotView {
    unsigned flags;
    SOCKET socketHandle;  // of the socket the worker uses
    bool socketListens;
};

// One look at the slot, if it is still the worker's and still has the
// socket the worker uses. Lock held.
bool ViewSlotLocked(const SlotWorker* worker, SlotView* view)
{
    if (!WorkerSocketIsCurrent(worker))
        return false;
    const SocketSlot& slot = gSocketTable[worker->index];
    view->flags = slot.slotFlags;
    view->socketHandle = worker->socketInUse->handle;
    view->socketListens = slot.socketListens;
    return true;
}

// False: the pass ends, and the next one finds out whether the slot was
// released or its socket replaced.
bool ViewSlot(const SlotWorker* worker, SlotView* view)
{
    SocketTableLock lock;
    return ViewSlotLocked(worker, view);
}

// The start of a pass, in one look: the wake event is cleared, a use of the
// slot's socket taken and the slot viewed. False when the slot is no longer
// the worker's.
bool BeginPass(SlotWorker* worker, SlotView* view)
{
    SocketTableLock lock;
    return UseCurrentSocket(worker) && ViewSlotLocked(worker, view);
}

// Records an error in the slot; false if the slot is no longer the
// worker's.
bool RecordError(const SlotWorker* worker, int error)
{
    SocketTableLock lock;
    if (!WorkerSlotIsLive(worker))
        return false;
    gSocketTable[worker->index].lastError = error;
    return true;
}

// A connection on a listening slot: it takes the lowest free slot and is
// announced to the callback, which keeps it by answering true.
Step AcceptConnection(SlotWorker* worker, const SlotView& view)
{
    SOCKET connection = INVALID_SOCKET;
    int error = AcceptCancellable(worker->io, view.socketHandle, INFINITE, &connection);
    int index;
    unsigned generation;
    {
        SocketTableLock lock;
        if (!WorkerSlotIsLive(worker)) {
            if (error == 0)
                CloseSocket(connection);
            return Step::Released;
        }
        if (error != 0) {
            // Cancelled while the slot is still served: its socket was replaced.
            if (error != WSA_OPERATION_ABORTED)
                gSocketTable[worker->index].lastError = error;
            return Step::Continue;
        }
        SlotSocket* socket = AdoptSocket(connection);
        if (socket == nullptr)
            return Step::Continue;
        index = TakeFreeSlot(0, gSocketTable[worker->index].scriptState, &generation);
        if (index < 0) {
            CloseOwnedHandle(ReleaseSocket(socket));
            return Step::Continue;
        }
        gSocketTable[index].socket = socket;
    }
    if (!InvokeCallback(worker, nullptr, CallbackAccepted, index + 1))
        ReleaseSlotOfGeneration(index, generation);
    return Step::Continue;
}

// Text arrived: tWait on the slot answers 1 from now on. Lock held.
void SignalDataLocked(const SlotWorker* worker)
{
    HANDLE dataEvent = gSocketTable[worker->index].dataEvent;
    if (dataEvent != nullptr && dataEvent != INVALID_HANDLE_VALUE)
        SetEvent(dataEvent);
}

// One plain receive of up to ReceiveBufferSize bytes, overlapped: it waits
// for text by itself, up to the worker's wait time, and a release ends it
// while the socket stays open (and its handle unused by anyone else) until
// the worker lets go. Then one look at the slot.
Step ReceiveText(SlotWorker* worker, SlotView view, DWORD waitTime)
{
    char buffer[ReceiveBufferSize + 1];
    for (;;) {
        int count = 0;
        int error = ReceiveCancellable(worker->io, view.socketHandle, buffer, ReceiveBufferSize, waitTime, &count);
        // A connection that a reset ended may answer 0 as a close does. An
        // empty datagram ends a UDP slot as a close does.
        bool reset =
            error == 0 && count == 0 && (view.flags & SlotDatagram) == 0 && ConnectionFailed(view.socketHandle);
        {
            SocketTableLock lock;
            if (!WorkerSlotIsLive(worker))
                return Step::Released;
            SocketSlot& slot = gSocketTable[worker->index];
            if (error == 0 && count > 0 && slot.slotFlags == ListeningTcp) {
                // The script made the slot listen while the receive waited: the
                // pass goes on as an accept on this connected socket would, which
                // fails.
                slot.lastError = WSAEINVAL;
                return Step::Continue;
            }
            if (error == 0 && count > 0) {
                SignalDataLocked(worker);
            } else if (error == 0) {
                slot.lastError = reset ? ErrReceiveFailed : ErrPeerClosed;
                return Step::End;
            } else if (error == IoWaitedOut) {
                return Step::Empty;
            } else if (error == WSA_OPERATION_ABORTED) {
                return Step::Continue;  // socket replaced
            } else if (error == WSAENOTCONN) {
                return Step::NotConnected;
            } else if (error != WSAEWOULDBLOCK) {
                slot.lastError = ErrReceiveFailed;
                return Step::End;
            }
        }
        if (error == 0) {
            buffer[count] = '\0';
            // The text ends at its first zero byte, as tRecv gives it.
            return InvokeCallback(worker, buffer, CallbackData, 0) ? Step::Continue : Step::End;
        }
        PauseAfterWouldBlock();
        if (!RecordError(worker, WSAEWOULDBLOCK) || !ViewSlot(worker, &view))
            return Step::Continue;
    }
}

// The worker ends: the last callback runs while the slot is still in use,
// so tGetError inside it tells why; then the slot is released.
void EndServing(SlotWorker* worker)
{
    {
        SocketTableLock lock;
        if (!WorkerSlotIsLive(worker))
            return;
    }
    InvokeCallback(worker, nullptr, CallbackClosed, 0);
    SocketTableLock lock;
    if (!WorkerSlotIsLive(worker))
        return;
    // The worker no longer uses the socket: the release closes it.
    EndWorkerSocketUse(worker);
    gSocketTable[worker->index].worker = nullptr;
    ReleaseSlotOfGeneration(worker->index, worker->generation);
}

// The 27th empty wait: the slot stays open, without callback or worker, and
// can be served again.
void StopServing(SlotWorker* worker)
{
    SocketTableLock lock;
    if (!WorkerSlotIsLive(worker))
        return;
    SocketSlot& slot = gSocketTable[worker->index];
    CloseOwnedHandle(slot.workerThread);
    slot.workerThread = nullptr;
    std::free(slot.callbackName);
    slot.callbackName = nullptr;
    slot.lastError = ErrWaitExhausted;
    slot.worker = nullptr;
}

// Some socket layers report a TCP socket that is neither connected nor
// listening as readable at once, where Windows' own waits until it has a
// connection. Such a socket has nothing to wait for until the script
// connects it or makes it listen, so the worker looks again every few
// milliseconds (a wake still ends the wait at once), and the time spent
// counts towards empty waits as one wait would. False when the 27th empty
// wait is reached.
bool WaitForConnection(SlotWorker* worker, SOCKET socketHandle, DWORD waitTime, int* emptyWaits)
{
    long long waitLimit = static_cast<long long>(waitTime) * 1000;
    long long waited = 0;
    for (;;) {
        if (WaitForSingleObject(worker->io.wakeEvent, UnconnectedPollMilliseconds) == WAIT_OBJECT_0)
            return true;  // released, or its socket replaced
        waited += UnconnectedPollMilliseconds * 1000;
        if (waited >= waitLimit) {
            waited = 0;
            if (++*emptyWaits >= EmptyWaitLimit)
                return false;
        }
        SlotView view;
        if (!ViewSlot(worker, &view))
            return true;
        if (view.flags == ListeningTcp || view.socketHandle != socketHandle || SocketHasPeer(socketHandle))
            return true;
    }
}

// Milliseconds of the readiness-wait limit.
DWORD WaitMilliseconds(timeval limit)
{
    return static_cast<DWORD>(limit.tv_sec) * 1000 + static_cast<DWORD>(limit.tv_usec / 1000);
}

void Serve(SlotWorker* worker)
{
    const DWORD waitTime = WaitMilliseconds(WorkerWaitTime());
    int emptyWaits = 0;  // over the worker's whole life, never reset
    for (;;) {
        SlotView view;
        if (!BeginPass(worker, &view))
            return;
        bool listening = view.flags == ListeningTcp;
        if (listening) {
            int error = ListenOnSocket(view.socketHandle, ListenBacklog);
            if (error != 0) {
                if (RecordError(worker, error))
                    EndServing(worker);
                return;
            }
            if (!view.socketListens)
                NoteSocketListens(worker->index, worker->generation, worker->socketInUse, false);
        }

        // A receive on a connection waits by itself. A listening socket is
        // waited on until it is readable first, as the script's tAccept does,
        // so that the one that takes a connection is the one that comes first
        // once it is there; a receive on it would wait for good under some
        // socket layers. A listen by the script wakes a waiting receive.
        Step step;
        if (listening || view.socketListens) {
            Readiness readiness = WaitReadable(view.socketHandle, worker->wakeSocket, waitTime);
            if (readiness == Readiness::Woken)
                continue;  // released, or its socket replaced
            if (readiness == Readiness::Empty) {
                step = Step::Empty;
            } else if (!ViewSlot(worker, &view)) {
                continue;
            } else if (view.flags == ListeningTcp) {
                step = AcceptConnection(worker, view);
            } else {
                step = ReceiveText(worker, view, waitTime);
            }
        } else {
            step = ReceiveText(worker, view, waitTime);
        }
        switch (step) {
        case Step::Continue:
            break;
        case Step::Released:
            return;
        case Step::Empty:
            if (++emptyWaits < EmptyWaitLimit)
                break;
            StopServing(worker);
            return;
        case Step::NotConnected:
            if (WaitForConnection(worker, view.socketHandle, waitTime, &emptyWaits))
                break;
            StopServing(worker);
            return;
        case Step::End:
            EndServing(worker);
            return;
        }
    }
}

}  // namespace

DWORD WINAPI SocketWorker(void* parameter)
{
    SlotWorker* worker = static_cast<SlotWorker*>(parameter);
    Serve(worker);
    FinishWorker(worker);
    return 0;
}
