#include "sockets/socket_worker.h"

#include "common/kept_quirks.h"
#include "common/this_module.h"
#include "sockets/script_callback.h"
#include "sockets/slot_socket.h"
#include "sockets/slot_worker.h"
#include "sockets/socket_table.h"
#include "sockets/stream_receive.h"
#include "sockets/winsock_io.h"
#include "sockets/worker_wait_time.h"

namespace {

// Empty: the wait ran out without an event.
enum class Step { Continue, End, Released, NotConnected, Empty };

// What the worker knows of its slot between two looks under the lock.
struct SlotView {
    unsigned flags;
    SOCKET socketHandle;  // of the socket the worker uses
    bool socketListens;
};

// Whether the worker's slot still is the one it serves: the one check
// before every read or write of the slot by its worker.
bool WorkerSlotIsLiveLocked(const SlotWorker* worker)
{
    const SocketSlot& slot = gSocketTable[worker->index];
    return SlotHasGenerationLocked(slot, worker->generation) && slot.worker == worker;
}

// Ends the worker's use of its socket, if it has one: before every call
// into the script and as it ends.
void EndWorkerSocketUseLocked(SlotWorker* worker)
{
    if (worker->socketInUse == nullptr)
        return;
    EndSocketUseLocked(worker->socketInUse);
    worker->socketInUse = nullptr;
}

// One look at the slot, if it is still the worker's and still has the
// socket the worker uses.
bool ViewSlotLocked(const SlotWorker* worker, SlotView* view)
{
    if (!WorkerSlotIsLiveLocked(worker))
        return false;
    const SocketSlot& slot = gSocketTable[worker->index];
    if (slot.socket != worker->socketInUse)
        return false;
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

// The start of a pass, in one look: a wake that came is cleared, a use of
// the slot's current socket taken and the slot viewed. False, with no use
// taken, when the slot is no longer the worker's.
bool BeginPass(SlotWorker* worker, SlotView* view)
{
    SocketTableLock lock;
    ClearWakeLocked(worker);
    EndWorkerSocketUseLocked(worker);
    if (!WorkerSlotIsLiveLocked(worker))
        return false;
    worker->socketInUse = gSocketTable[worker->index].socket;
    BeginSocketUseLocked(worker->socketInUse);
    return ViewSlotLocked(worker, view);
}

// Records an error in the slot; false if the slot is no longer the
// worker's.
bool RecordError(const SlotWorker* worker, int error)
{
    SocketTableLock lock;
    if (!WorkerSlotIsLiveLocked(worker))
        return false;
    gSocketTable[worker->index].lastError = error;
    return true;
}

bool SlotStillServed(void* worker)
{
    SocketTableLock lock;
    return WorkerSlotIsLiveLocked(static_cast<const SlotWorker*>(worker));
}

// Calls the slot's script function with (handle, event, text or "", extra)
// for one result; answers whether that result is true. The caller has just
// seen the slot live; the call is not made when the slot was released
// meanwhile.
bool InvokeCallback(SlotWorker* worker, const char* text, int event, int extra)
{
    {
        // From here until its next pass the worker makes no call on its
        // socket: a release closes the socket at once, even while the call
        // waits for the state's lock.
        SocketTableLock lock;
        EndWorkerSocketUseLocked(worker);
    }
    // What remains after the gate's look is the moment until the call
    // starts, in which a release on another thread still lets it begin.
    CallbackArguments arguments = {worker->index + 1, event, text, extra};
    return CallScriptFunction(worker->luaThread, worker->callbackName, arguments, SlotStillServed, worker);
}

// A connection on a listening slot: it takes the lowest free slot and is
// announced to the callback, which keeps it by answering true.
Step AcceptConnection(SlotWorker* worker, const SlotView& view)
{
    SOCKET connection = INVALID_SOCKET;
    int error = AcceptCancellable(worker->io, view.socketHandle, INFINITE, &connection);
    SlotSocket* socket = error == 0 ? AdoptSocket(connection) : nullptr;
    int index;
    unsigned generation;
    {
        SocketTableLock lock;
        if (!WorkerSlotIsLiveLocked(worker)) {
            if (socket != nullptr)
                DiscardSocketLocked(socket);
            return Step::Released;
        }
        if (error != 0) {
            // Cancelled while the slot is still served: its socket was replaced.
            if (error != WSA_OPERATION_ABORTED)
                gSocketTable[worker->index].lastError = error;
            return Step::Continue;
        }
        if (socket == nullptr)
            return Step::Continue;
        index = TakeFreeSlotLocked(0, gSocketTable[worker->index].scriptState, &generation);
        if (index < 0) {
            DiscardSocketLocked(socket);
            return Step::Continue;
        }
        gSocketTable[index].socket = socket;
    }
    if (!InvokeCallback(worker, nullptr, CallbackAccepted, index + 1)) {
        SocketTableLock lock;
        ReleaseSlotOfGenerationLocked(index, generation);
    }
    return Step::Continue;
}

// Text arrived: tWait on the slot answers 1 from now on.
void SignalDataLocked(const SlotWorker* worker)
{
    HANDLE dataEvent = gSocketTable[worker->index].dataEvent;
    if (dataEvent != nullptr && dataEvent != INVALID_HANDLE_VALUE)
        SetEvent(dataEvent);
}

// Up to LargestReceive bytes: a datagram, or bytes of the stream (kept from
// an earlier receive, or one receive's). A receive is overlapped: it waits
// for text by itself, up to the worker's wait time, and a wake ends it
// while the socket stays open (and its handle unused by anyone else) until
// the worker lets go. Then one look at the slot.
Step ReceiveText(SlotWorker* worker, SlotView view, DWORD waitTime)
{
    char buffer[LargestReceive + 1];
    bool datagram = (view.flags & SlotDatagram) != 0;
    for (;;) {
        int count = 0;
        int error = datagram
            ? ReceiveCancellable(worker->io, view.socketHandle, buffer, LargestReceive, waitTime, &count)
            : ReceiveFromStream(worker->socketInUse, worker->io, buffer, LargestReceive, waitTime, &count);
        // A connection that a reset ended may answer 0 as a close does. An
        // empty datagram ends a UDP slot as a close does.
        bool reset = error == 0 && count == 0 && !datagram && ConnectionFailed(view.socketHandle);
        {
            SocketTableLock lock;
            if (!WorkerSlotIsLiveLocked(worker))
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
                return Step::Continue;  // woken
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
        if (!WorkerSlotIsLiveLocked(worker))
            return;
    }
    InvokeCallback(worker, nullptr, CallbackClosed, 0);
    SocketTableLock lock;
    if (!WorkerSlotIsLiveLocked(worker))
        return;
    // The worker no longer uses the socket, and is not woken by its own
    // release: the release closes the socket at once.
    gSocketTable[worker->index].worker = nullptr;
    ReleaseSlotOfGenerationLocked(worker->index, worker->generation);
}

// The last empty wait: the slot stays open, without callback or worker, and
// can be served again.
void StopServing(SlotWorker* worker)
{
    SocketTableLock lock;
    if (!WorkerSlotIsLiveLocked(worker))
        return;
    SocketSlot& slot = gSocketTable[worker->index];
    slot.worker = nullptr;
    slot.lastError = ErrWaitExhausted;
}

// A TCP socket that is neither connected nor listening has nothing to wait
// for until the script connects it or makes it listen, which wakes the
// worker as a release does. Each wait time without a wake is an empty wait.
// False at the last one.
bool AwaitConnection(SlotWorker* worker, DWORD waitTime, int* emptyWaits)
{
    while (WaitForSingleObject(worker->io.wakeEvent, waitTime) != WAIT_OBJECT_0) {
        if (++*emptyWaits >= EmptyWaitLimit)
            return false;
    }
    return true;
}

void Serve(SlotWorker* worker)
{
    const DWORD waitTime = WorkerWaitMilliseconds();
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
        // waited on until a connection waits on it first, as the script's
        // tAccept does, so that the one that takes a connection is the one
        // that comes first once it is there; a receive on it would wait for
        // good under some socket layers. A listen by the script wakes a
        // waiting receive.
        Step step;
        if (listening || view.socketListens) {
            Readiness readiness = WaitForConnectionRequest(worker->io, view.socketHandle, waitTime);
            if (readiness == Readiness::Woken)
                continue;
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
            if (AwaitConnection(worker, waitTime, &emptyWaits))
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

void ServeSlotUntilDone(SlotWorker* worker)
{
    Serve(worker);
    // A released socket that the worker still used is closed here, and a
    // releasing thread waiting to reuse its port goes on.
    SocketTableLock lock;
    EndWorkerSocketUseLocked(worker);
    SocketSlot& slot = gSocketTable[worker->index];
    if (slot.worker == worker)
        slot.worker = nullptr;
}
