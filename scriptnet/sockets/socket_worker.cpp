// SocketWorker: the thread that serves one slot until its callback answers
// not true, its connection ends, its waits run out or the slot is released.
#include <winsock2.h>
#include <windows.h>
#include <mswsock.h>

#include <cstdlib>
#include <cstring>

#include "slot_worker.h"
#include "socket_table.h"

namespace {

const int kReceiveBufferSize = 1024;
// The system's largest queue: beyond the backlog some socket layers reset
// connections that a burst of clients makes before the worker accepts.
const int kListenBacklog = SOMAXCONN;
const int kEmptyWaitLimit = 27;
const DWORD kWouldBlockPause = 10;
// How often a worker whose TCP socket is not connected yet looks again.
const long kUnconnectedPollMicroseconds = 20000;
const unsigned kListeningTcp = SlotInUse | SlotListening;

enum class Step { Continue, End, Released, NotConnected };

enum class Readiness { Readable, Empty, Woken };

// The slot's flags and socket, if the slot is still the worker's.
bool ReadSlot(const SlotWorker* worker, unsigned* flags, SOCKET* socketHandle)
{
    SocketTableLock lock;
    if (!WorkerSlotIsLive(worker))
        return false;
    const SocketSlot& slot = SocketTable[worker->index];
    *flags = slot.slotFlags;
    *socketHandle = slot.socketHandle;
    return true;
}

// Records an error in the slot; false if the slot is no longer the
// worker's.
bool RecordError(const SlotWorker* worker, int error)
{
    SocketTableLock lock;
    if (!WorkerSlotIsLive(worker))
        return false;
    SocketTable[worker->index].lastError = error;
    return true;
}

bool SlotStillServed(const SlotWorker* worker)
{
    SocketTableLock lock;
    return WorkerSlotIsLive(worker);
}

// Text arrived: tWait on the slot answers 1 from now on.
bool SignalData(const SlotWorker* worker)
{
    SocketTableLock lock;
    if (!WorkerSlotIsLive(worker))
        return false;
    HANDLE dataEvent = SocketTable[worker->index].dataEvent;
    if (dataEvent != nullptr && dataEvent != INVALID_HANDLE_VALUE)
        SetEvent(dataEvent);
    return true;
}

// Whether a connection whose receive answered 0 was reset rather than
// closed in order. Some socket layers answer a reset with 0 and keep no
// pending error (SO_ERROR) for it; the connection then has no peer any
// more, where after an orderly close it still has one until it is closed.
bool ConnectionWasReset(SOCKET socketHandle)
{
    int error = 0;
    int length = sizeof error;
    if (getsockopt(socketHandle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error != 0)
        return true;
    sockaddr_in peer;
    int peerLength = sizeof peer;
    return getpeername(socketHandle, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0;
}

Readiness WaitReadable(const SlotWorker* worker, SOCKET socketHandle, timeval limit)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socketHandle, &readable);
    FD_SET(worker->wakeSocket, &readable);
    int result = select(0, &readable, nullptr, nullptr, &limit);
    if (result <= 0)
        return Readiness::Empty;
    if (FD_ISSET(worker->wakeSocket, &readable)) {
        char drained[16];
        recv(worker->wakeSocket, drained, sizeof drained, 0);
        return Readiness::Woken;
    }
    return Readiness::Readable;
}

// Ends an overlapped call on the worker's socket that is pending: waits
// for it, or for a release, which cancels it. Waits for the call's end in
// either case: it writes into the caller's buffers until then. Answers
// whether it succeeded, with the count, or the Winsock error.
bool CompleteOverlapped(const SlotWorker* worker, SOCKET socketHandle, WSAOVERLAPPED* overlapped, DWORD* count,
                        int* error)
{
    HANDLE waits[2] = {worker->ioEvent, worker->wakeEvent};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        CancelIo(reinterpret_cast<HANDLE>(socketHandle));
    }
    DWORD flags = 0;
    if (WSAGetOverlappedResult(socketHandle, overlapped, count, TRUE, &flags))
        return true;
    *error = WSAGetLastError();
    return false;
}

void PrepareOverlapped(const SlotWorker* worker, WSAOVERLAPPED* overlapped)
{
    std::memset(overlapped, 0, sizeof *overlapped);
    overlapped->hEvent = worker->ioEvent;
    ResetEvent(worker->ioEvent);
}

// Each address of AcceptEx takes 16 bytes more than its record.
const DWORD kAcceptAddressSpace = sizeof(sockaddr_in) + 16;

// One accept on the listening socket, made overlapped (AcceptEx) so that a
// release can end it while the socket stays open. Answers the connection,
// or INVALID_SOCKET with the Winsock error.
SOCKET AcceptOnce(const SlotWorker* worker, SOCKET listener, int* error)
{
    // The script may have marked the slot listening during the wait with a
    // listen that failed. accept fails at once on such a socket, but some
    // socket layers leave an AcceptEx on it pending for good.
    BOOL listening = FALSE;
    int length = sizeof listening;
    if (getsockopt(listener, SOL_SOCKET, SO_ACCEPTCONN, reinterpret_cast<char*>(&listening), &length) != 0) {
        *error = WSAGetLastError();
        return INVALID_SOCKET;
    }
    if (!listening) {
        *error = WSAEINVAL;
        return INVALID_SOCKET;
    }
    LPFN_ACCEPTEX acceptEx = nullptr;
    GUID acceptGuid = WSAID_ACCEPTEX;
    DWORD bytes = 0;
    if (WSAIoctl(listener, SIO_GET_EXTENSION_FUNCTION_POINTER, &acceptGuid, sizeof acceptGuid, &acceptEx,
                 sizeof acceptEx, &bytes, nullptr, nullptr) != 0) {
        *error = WSAGetLastError();
        return INVALID_SOCKET;
    }
    SOCKET connection = socket(AF_INET, SOCK_STREAM, 0);
    if (connection == INVALID_SOCKET) {
        *error = WSAGetLastError();
        return INVALID_SOCKET;
    }
    // The local and the peer's address: this worker's own record, not used.
    char addresses[2 * kAcceptAddressSpace];
    WSAOVERLAPPED overlapped;
    PrepareOverlapped(worker, &overlapped);
    if (!acceptEx(listener, connection, addresses, 0, kAcceptAddressSpace, kAcceptAddressSpace, &bytes, &overlapped)) {
        *error = WSAGetLastError();
        if (*error != WSA_IO_PENDING || !CompleteOverlapped(worker, listener, &overlapped, &bytes, error)) {
            closesocket(connection);
            return INVALID_SOCKET;
        }
    }
    // Gives the connection the listening socket's properties, as accept does.
    setsockopt(connection, SOL_SOCKET, SO_UPDATE_ACCEPT_CONTEXT, reinterpret_cast<char*>(&listener), sizeof listener);
    return connection;
}

// A connection on a listening slot: it takes the lowest free slot and is
// announced to the callback, which keeps it by answering true.
Step AcceptConnection(SlotWorker* worker)
{
    unsigned flags;
    SOCKET listener;
    if (!ReadSlot(worker, &flags, &listener))
        return Step::Released;
    int error = 0;
    SOCKET connection = AcceptOnce(worker, listener, &error);
    if (!SlotStillServed(worker)) {
        if (connection != INVALID_SOCKET)
            closesocket(connection);
        return Step::Released;
    }
    if (connection == INVALID_SOCKET) {
        // Cancelled while the slot is still served: its socket was replaced.
        if (error == WSA_OPERATION_ABORTED)
            return Step::Continue;
        return RecordError(worker, error) ? Step::Continue : Step::Released;
    }
    int index;
    unsigned generation;
    {
        SocketTableLock lock;
        if (!WorkerSlotIsLive(worker)) {
            closesocket(connection);
            return Step::Released;
        }
        index = TakeFreeSlot(0, SocketTable[worker->index].scriptState);
        if (index < 0) {
            closesocket(connection);
            return Step::Continue;
        }
        SocketTable[index].socketHandle = connection;
        generation = SocketTable[index].generation;
    }
    if (!InvokeCallback(worker, nullptr, CallbackAccepted, index + 1)) {
        ReleaseSlotOfGeneration(index, generation);
    }
    return Step::Continue;
}

// One plain receive of up to kReceiveBufferSize bytes, made overlapped so
// that a release can end it while the socket stays open (and its handle
// unused by anyone else) until the worker lets go. Answers the count, or
// -1 with the Winsock error.
int ReceiveOnce(const SlotWorker* worker, SOCKET socketHandle, char* buffer, int* error)
{
    WSAOVERLAPPED overlapped;
    PrepareOverlapped(worker, &overlapped);
    WSABUF piece;
    piece.len = kReceiveBufferSize;
    piece.buf = buffer;
    DWORD count = 0;
    DWORD flags = 0;
    if (WSARecv(socketHandle, &piece, 1, &count, &flags, &overlapped, nullptr) == 0) {
        return static_cast<int>(count);
    }
    *error = WSAGetLastError();
    if (*error != WSA_IO_PENDING)
        return -1;
    return CompleteOverlapped(worker, socketHandle, &overlapped, &count, error) ? static_cast<int>(count) : -1;
}

Step ReceiveText(SlotWorker* worker)
{
    char buffer[kReceiveBufferSize + 1];
    for (;;) {
        unsigned flags;
        SOCKET socketHandle;
        if (!ReadSlot(worker, &flags, &socketHandle))
            return Step::Released;
        int error = 0;
        int count = ReceiveOnce(worker, socketHandle, buffer, &error);
        if (!SlotStillServed(worker))
            return Step::Released;
        if (count > 0) {
            buffer[count] = '\0';
            if (!SignalData(worker))
                return Step::Released;
            // The text ends at its first zero byte, as tRecv gives it.
            return InvokeCallback(worker, buffer, CallbackData, 0) ? Step::Continue : Step::End;
        }
        if (count == 0) {
            // An empty datagram ends a UDP slot as a close does.
            int reason =
                (flags & SlotDatagram) == 0 && ConnectionWasReset(socketHandle) ? ErrReceiveFailed : ErrPeerClosed;
            return RecordError(worker, reason) ? Step::End : Step::Released;
        }
        if (count < 0 && error == WSA_OPERATION_ABORTED)
            return Step::Continue;  // socket replaced
        if (error == WSAENOTCONN)
            return Step::NotConnected;
        if (error != WSAEWOULDBLOCK) {
            return RecordError(worker, ErrReceiveFailed) ? Step::End : Step::Released;
        }
        Sleep(kWouldBlockPause);
        if (!RecordError(worker, WSAEWOULDBLOCK))
            return Step::Released;
    }
}

// The worker ends: the last callback runs while the slot is still in use,
// so tGetError inside it tells why; then the slot is released.
void EndServing(SlotWorker* worker)
{
    InvokeCallback(worker, nullptr, CallbackClosed, 0);
    SocketTableLock lock;
    if (!WorkerSlotIsLive(worker))
        return;
    // The worker no longer uses the socket: the release closes it.
    SocketTable[worker->index].worker = nullptr;
    ReleaseSlotOfGeneration(worker->index, worker->generation);
}

// The 27th empty wait: the slot stays open, without callback or worker, and
// can be served again.
void StopServing(SlotWorker* worker)
{
    SocketTableLock lock;
    if (!WorkerSlotIsLive(worker))
        return;
    SocketSlot& slot = SocketTable[worker->index];
    if (slot.workerThread != nullptr && slot.workerThread != INVALID_HANDLE_VALUE) {
        CloseHandle(slot.workerThread);
    }
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
bool WaitForConnection(SlotWorker* worker, SOCKET socketHandle, timeval limit, int* emptyWaits)
{
    long long waitLimit = static_cast<long long>(limit.tv_sec) * 1000000 + limit.tv_usec;
    long long waited = 0;
    for (;;) {
        fd_set wake;
        FD_ZERO(&wake);
        FD_SET(worker->wakeSocket, &wake);
        timeval pause = {0, kUnconnectedPollMicroseconds};
        if (select(0, &wake, nullptr, nullptr, &pause) > 0)
            return true;  // released, or nothing
        waited += kUnconnectedPollMicroseconds;
        if (waited >= waitLimit) {
            waited = 0;
            if (++*emptyWaits >= kEmptyWaitLimit)
                return false;
        }
        unsigned flags;
        SOCKET current;
        if (!ReadSlot(worker, &flags, &current))
            return true;
        sockaddr_in peer;
        int peerLength = sizeof peer;
        if (flags == kListeningTcp || current != socketHandle ||
            getpeername(current, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0) {
            return true;
        }
    }
}

void Serve(SlotWorker* worker)
{
    const timeval waitTime = WorkerWaitTime();
    int emptyWaits = 0;  // over the worker's whole life, never reset
    for (;;) {
        SOCKET retired = TakeRetiredSocket(worker);
        if (retired != INVALID_SOCKET)
            closesocket(retired);
        unsigned flags;
        SOCKET socketHandle;
        if (!ReadSlot(worker, &flags, &socketHandle))
            return;
        bool listening = flags == kListeningTcp;
        if (listening && listen(socketHandle, kListenBacklog) != 0) {
            if (RecordError(worker, WSAGetLastError()))
                EndServing(worker);
            return;
        }

        Readiness readiness = WaitReadable(worker, socketHandle, waitTime);
        if (readiness == Readiness::Woken)
            continue;  // released, or nothing
        if (readiness == Readiness::Empty) {
            if (++emptyWaits < kEmptyWaitLimit)
                continue;
            StopServing(worker);
            return;
        }

        // The script may have made the slot listen during the wait.
        if (!ReadSlot(worker, &flags, &socketHandle))
            return;
        listening = flags == kListeningTcp;
        Step step = listening ? AcceptConnection(worker) : ReceiveText(worker);
        if (step == Step::Released)
            return;
        if (step == Step::NotConnected) {
            if (WaitForConnection(worker, socketHandle, waitTime, &emptyWaits))
                continue;
            StopServing(worker);
            return;
        }
        if (step == Step::End) {
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
