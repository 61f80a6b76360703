#include "sockets/stream_receive.h"

#include <cstring>
#include <new>

#include "sockets/slot_socket.h"
#include "sockets/socket_table.h"

namespace {

// Takes kept bytes, if there are any.
bool TakeKeptLocked(ReadAhead* ahead, char* buffer, int size, int* count)
{
    int kept = ahead->end - ahead->start;
    if (kept == 0)
        return false;
    int taken = kept < size ? kept : size;
    std::memcpy(buffer, ahead->bytes + ahead->start, static_cast<size_t>(taken));
    ahead->start += taken;
    *count = taken;
    return true;
}

void ForgetWaiterLocked(ReadAhead* ahead, const StreamWaiter* waiter)
{
    for (StreamWaiter** link = &ahead->waiters; *link != nullptr; link = &(*link)->next) {
        if (*link == waiter) {
            *link = waiter->next;
            return;
        }
    }
}

// The receive has ended: every waiting reader looks again.
void EndReceivingLocked(ReadAhead* ahead)
{
    ahead->receiving = false;
    for (StreamWaiter* waiter = ahead->waiters; waiter != nullptr; waiter = waiter->next)
        SetEvent(waiter->event);
    ahead->waiters = nullptr;
}

// What is left of a wait of `milliseconds` begun at `start`.
DWORD Remaining(DWORD milliseconds, DWORD start)
{
    if (milliseconds == INFINITE)
        return INFINITE;
    DWORD spent = GetTickCount() - start;
    return spent < milliseconds ? milliseconds - spent : 0;
}

enum class Turn { Taken, Receive, Wait, Failed };

// One look at the stream: kept bytes are taken, or the caller becomes the
// one that receives, or (with a waiter given) it queues for the receive
// under way.
Turn TakeTurnLocked(SlotSocket* socket, char* buffer, int size, int* count, StreamWaiter* waiter)
{
    if (socket->readAhead == nullptr)
        socket->readAhead = new (std::nothrow) ReadAhead();
    ReadAhead* ahead = socket->readAhead;
    if (ahead == nullptr)
        return Turn::Failed;
    if (TakeKeptLocked(ahead, buffer, size, count))
        return Turn::Taken;
    if (!ahead->receiving) {
        ahead->receiving = true;
        return Turn::Receive;
    }
    if (waiter == nullptr)
        return Turn::Wait;
    waiter->next = ahead->waiters;
    ahead->waiters = waiter;
    return Turn::Wait;
}

// Waits for another reader's receive to end; 0, or why not.
int AwaitOtherReceive(SlotSocket* socket, const CancellableIo& io, StreamWaiter* waiter, DWORD milliseconds)
{
    HANDLE waits[2] = {io.ioEvent, io.wakeEvent};
    DWORD waited = WaitForMultipleObjects(2, waits, FALSE, milliseconds);
    if (waited == WAIT_OBJECT_0)
        return 0;
    SocketTableLock lock;
    ForgetWaiterLocked(socket->readAhead, waiter);
    return waited == WAIT_OBJECT_0 + 1 ? WSA_OPERATION_ABORTED : IoWaitedOut;
}

}  // namespace

int ReceiveFromStream(SlotSocket* socket, const CancellableIo& io, char* buffer, int size, DWORD milliseconds,
                      int* count)
{
    DWORD start = GetTickCount();
    Turn turn;
    {
        SocketTableLock lock;
        turn = TakeTurnLocked(socket, buffer, size, count, nullptr);
    }
    while (turn == Turn::Wait) {
        // The completion event may be left set by an earlier call: cleared
        // before the waiter is listed, so that only the receive's end sets it.
        ResetEvent(io.ioEvent);
        StreamWaiter waiter = {io.ioEvent, nullptr};
        {
            SocketTableLock lock;
            turn = TakeTurnLocked(socket, buffer, size, count, &waiter);
        }
        if (turn != Turn::Wait)
            break;
        int error = AwaitOtherReceive(socket, io, &waiter, Remaining(milliseconds, start));
        if (error != 0)
            return error;
        SocketTableLock lock;
        turn = TakeTurnLocked(socket, buffer, size, count, nullptr);
    }
    if (turn == Turn::Failed)
        return WSAENOBUFS;
    if (turn == Turn::Taken)
        return 0;

    // The one receiving: nothing is kept, and no other reader touches the
    // bytes until the receive has ended.
    ReadAhead* ahead = socket->readAhead;
    int received = 0;
    int error =
        ReceiveCancellable(io, socket->handle, ahead->bytes, ReadAheadBytes, Remaining(milliseconds, start), &received);
    SocketTableLock lock;
    EndReceivingLocked(ahead);
    if (error != 0)
        return error;
    ahead->start = 0;
    ahead->end = received;
    *count = 0;
    TakeKeptLocked(ahead, buffer, size, count);
    return 0;
}
