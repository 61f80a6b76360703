#include "sockets/winsock_io.h"

#include <mswsock.h>

#include <cstring>

#include "common/kept_quirks.h"

namespace {

// Each address of AcceptEx takes 16 bytes more than its record.
const DWORD AcceptAddressSpace = sizeof(sockaddr_in) + 16;

int LastError()
{
    return WSAGetLastError();
}

enum class OverlappedWait { Completed, Woken, RanOut };

// Waits until a pending overlapped call ends, the wake event is set or the
// time runs out. The completion event is not cleared as each call starts
// (that is a round trip to the system for every call, most of which end at
// once), so it may still be set by an earlier call: seen set while the call
// pends, it is cleared and the wait goes on.
OverlappedWait AwaitOverlapped(const CancellableIo& io, const WSAOVERLAPPED& overlapped, DWORD milliseconds)
{
    HANDLE waits[2] = {io.ioEvent, io.wakeEvent};
    DWORD start = GetTickCount();
    for (;;) {
        DWORD left = milliseconds;
        if (milliseconds != INFINITE) {
            DWORD spent = GetTickCount() - start;
            left = spent < milliseconds ? milliseconds - spent : 0;
        }
        DWORD waited = WaitForMultipleObjects(2, waits, FALSE, left);
        if (waited == WAIT_OBJECT_0 + 1)
            return OverlappedWait::Woken;
        if (waited != WAIT_OBJECT_0)
            return OverlappedWait::RanOut;
        if (HasOverlappedIoCompleted(&overlapped))
            return OverlappedWait::Completed;
        ResetEvent(io.ioEvent);
        if (HasOverlappedIoCompleted(&overlapped))
            return OverlappedWait::Completed;
    }
}

// Ends an overlapped call that is pending: waits for it, for the wake
// event or for the time-out, the last two of which cancel it. Waits for the
// call's end in any case: it writes into the caller's buffers until then.
int CompleteOverlapped(const CancellableIo& io, SOCKET socketHandle, WSAOVERLAPPED* overlapped, DWORD milliseconds,
                       DWORD* count)
{
    OverlappedWait waited = AwaitOverlapped(io, *overlapped, milliseconds);
    if (waited != OverlappedWait::Completed)
        CancelIo(reinterpret_cast<HANDLE>(socketHandle));
    DWORD flags = 0;
    if (WSAGetOverlappedResult(socketHandle, overlapped, count, TRUE, &flags))
        return 0;
    int error = LastError();
    return waited == OverlappedWait::RanOut && error == WSA_OPERATION_ABORTED ? IoWaitedOut : error;
}

// Whether the socket is in listening state; 0 or the error of asking.
int ListeningState(SOCKET socketHandle, bool* listening)
{
    BOOL state = FALSE;
    int length = sizeof state;
    if (getsockopt(socketHandle, SOL_SOCKET, SO_ACCEPTCONN, reinterpret_cast<char*>(&state), &length) != 0)
        return LastError();
    *listening = state != FALSE;
    return 0;
}

// Asks the socket's provider for one of its extension functions (ConnectEx,
// AcceptEx) into `function`: 0, or SOCKET_ERROR with the error to ask for.
int ExtensionFunction(SOCKET socketHandle, GUID guid, void* function, DWORD size)
{
    DWORD bytes = 0;
    return WSAIoctl(socketHandle, SIO_GET_EXTENSION_FUNCTION_POINTER, &guid, sizeof guid, function, size, &bytes,
                    nullptr, nullptr);
}

// A call's record with its completion event (see AwaitOverlapped). Marked
// pending before the call, so that an event left set by an earlier call
// never passes for this call's end, whichever socket layer marks it.
void PrepareOverlapped(HANDLE event, WSAOVERLAPPED* overlapped)
{
    std::memset(overlapped, 0, sizeof *overlapped);
    overlapped->Internal = STATUS_PENDING;
    overlapped->hEvent = event;
}

}  // namespace

void StartWinsock()
{
    WSADATA startup;
    std::memset(&startup, 0, sizeof startup);
    WSAStartup(WinsockVersion, &startup);
}

sockaddr_in Ipv4Address(unsigned long networkAddress, unsigned short port)
{
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = networkAddress;
    return address;
}

int ResolveIpv4Host(const char* host, unsigned long* networkAddress)
{
    unsigned long address = inet_addr(host);
    if (address != INADDR_NONE) {
        *networkAddress = address;
        return 0;
    }
    hostent* entry = gethostbyname(host);
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_addr_list == nullptr ||
        entry->h_addr_list[0] == nullptr) {
        return WSAHOST_NOT_FOUND;
    }
    std::memcpy(networkAddress, entry->h_addr_list[0], sizeof *networkAddress);
    return 0;
}

unsigned long DottedIpv4Address(const char* text)
{
    return inet_addr(text);
}

int OpenBoundSocket(bool datagram, unsigned short port, SOCKET* socketHandle)
{
    SOCKET made = socket(AF_INET, datagram ? SOCK_DGRAM : SOCK_STREAM, 0);
    if (made == INVALID_SOCKET)
        return LastError();
    sockaddr_in local = Ipv4Address(htonl(INADDR_ANY), port);
    if (bind(made, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        int error = LastError();
        closesocket(made);
        return error;
    }
    *socketHandle = made;
    return 0;
}

void CloseSocket(SOCKET socketHandle)
{
    closesocket(socketHandle);
}

void ShutDownSocket(SOCKET socketHandle)
{
    shutdown(socketHandle, SD_BOTH);
}

int ConnectSocket(SOCKET socketHandle, const sockaddr_in& peer)
{
    if (connect(socketHandle, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) < 0)
        return LastError();
    return 0;
}

int ListenOnSocket(SOCKET socketHandle, int backlog)
{
    return listen(socketHandle, backlog) == 0 ? 0 : LastError();
}

bool SocketHasPeer(SOCKET socketHandle)
{
    sockaddr_in peer;
    int peerLength = sizeof peer;
    return getpeername(socketHandle, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0;
}

void PauseAfterWouldBlock()
{
    Sleep(WouldBlockPauseMilliseconds);
}

int SendToRetrying(SOCKET socketHandle, const char* data, int length, const sockaddr_in& destination, int* sent,
                   int* lastFailure)
{
    *lastFailure = 0;
    for (;;) {
        int count =
            sendto(socketHandle, data, length, 0, reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
        if (count >= 0) {
            *sent = count;
            return 0;
        }
        int error = LastError();
        *lastFailure = error;
        if (error != WSAEWOULDBLOCK)
            return error;
        PauseAfterWouldBlock();
    }
}

bool ConnectionFailed(SOCKET socketHandle)
{
    int error = 0;
    int length = sizeof error;
    if (getsockopt(socketHandle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 || error != 0)
        return true;
    return !SocketHasPeer(socketHandle);
}

namespace {

// How often a send that waits for the peer looks whether the connection
// still exists. Only a dead connection ends the wait, never slowness.
const DWORD SendCheckInterval = 100;

// Idle completion events, kept for the next call.
const int IdleIoEventLimit = 8;

struct IoEventPool {
    CRITICAL_SECTION section;
    HANDLE idle[IdleIoEventLimit];
    int idleCount;
    IoEventPool() : idle(), idleCount(0) { InitializeCriticalSection(&section); }
};

// Made at load and kept until the process ends, like the table lock.
IoEventPool& IoEvents()
{
    static IoEventPool pool;
    return pool;
}

// One overlapped send of the whole text; see SendWhileConnected.
int SendOnceWhileConnected(const CancellableIo& io, SOCKET socketHandle, const char* data, int length, int* sent)
{
    WSAOVERLAPPED overlapped;
    PrepareOverlapped(io.ioEvent, &overlapped);
    WSABUF piece;
    piece.len = static_cast<u_long>(length);
    piece.buf = const_cast<char*>(data);
    DWORD count = 0;
    if (WSASend(socketHandle, &piece, 1, &count, 0, &overlapped, nullptr) != 0) {
        int error = LastError();
        if (error != WSA_IO_PENDING)
            return error;
        for (;;) {
            OverlappedWait waited = AwaitOverlapped(io, overlapped, SendCheckInterval);
            if (waited == OverlappedWait::Completed)
                break;
            if (waited == OverlappedWait::Woken || ConnectionFailed(socketHandle)) {
                CancelIo(reinterpret_cast<HANDLE>(socketHandle));
                break;
            }
        }
        // Waits for the end of the call, cancelled or not: it reads the
        // text until then.
        DWORD flags = 0;
        if (!WSAGetOverlappedResult(socketHandle, &overlapped, &count, TRUE, &flags))
            return LastError();
    }
    *sent = static_cast<int>(count);
    return 0;
}

}  // namespace

PooledIoEvent::PooledIoEvent() : event_(nullptr)
{
    IoEventPool& pool = IoEvents();
    EnterCriticalSection(&pool.section);
    if (pool.idleCount > 0)
        event_ = pool.idle[--pool.idleCount];
    LeaveCriticalSection(&pool.section);
    if (event_ == nullptr)
        event_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

PooledIoEvent::~PooledIoEvent()
{
    if (event_ == nullptr)
        return;
    IoEventPool& pool = IoEvents();
    HANDLE surplus = event_;
    EnterCriticalSection(&pool.section);
    if (pool.idleCount < IdleIoEventLimit) {
        pool.idle[pool.idleCount++] = event_;
        surplus = nullptr;
    }
    LeaveCriticalSection(&pool.section);
    if (surplus != nullptr)
        CloseHandle(surplus);
}

void CloseIdleIoEvents()
{
    IoEventPool& pool = IoEvents();
    EnterCriticalSection(&pool.section);
    while (pool.idleCount > 0)
        CloseHandle(pool.idle[--pool.idleCount]);
    LeaveCriticalSection(&pool.section);
}

int SendWhileConnected(const CancellableIo& io, SOCKET socketHandle, const char* data, int length, int* sent)
{
    for (;;) {
        int error = SendOnceWhileConnected(io, socketHandle, data, length, sent);
        if (error != WSAEWOULDBLOCK)
            return error;
        PauseAfterWouldBlock();
    }
}

int ConnectCancellable(const CancellableIo& io, SOCKET socketHandle, const sockaddr_in& peer)
{
    LPFN_CONNECTEX connectEx = nullptr;
    if (ExtensionFunction(socketHandle, WSAID_CONNECTEX, &connectEx, sizeof connectEx) != 0)
        return LastError();
    DWORD bytes = 0;
    WSAOVERLAPPED overlapped;
    PrepareOverlapped(io.ioEvent, &overlapped);
    if (!connectEx(socketHandle, reinterpret_cast<const sockaddr*>(&peer), sizeof peer, nullptr, 0, nullptr,
                   &overlapped)) {
        int error = LastError();
        if (error == WSA_IO_PENDING)
            error = CompleteOverlapped(io, socketHandle, &overlapped, INFINITE, &bytes);
        if (error != 0)
            return error;
    }
    // Gives the socket the properties of one connected by connect: its peer
    // and the use of shutdown.
    setsockopt(socketHandle, SOL_SOCKET, SO_UPDATE_CONNECT_CONTEXT, nullptr, 0);
    return 0;
}

int ReceiveCancellable(const CancellableIo& io, SOCKET socketHandle, char* buffer, int size, DWORD milliseconds,
                       int* count)
{
    WSAOVERLAPPED overlapped;
    PrepareOverlapped(io.ioEvent, &overlapped);
    WSABUF piece;
    piece.len = static_cast<ULONG>(size);
    piece.buf = buffer;
    DWORD received = 0;
    DWORD flags = 0;
    if (WSARecv(socketHandle, &piece, 1, &received, &flags, &overlapped, nullptr) != 0) {
        int error = LastError();
        if (error != WSA_IO_PENDING)
            return error;
        error = CompleteOverlapped(io, socketHandle, &overlapped, milliseconds, &received);
        if (error != 0)
            return error;
    }
    *count = static_cast<int>(received);
    return 0;
}

int AcceptCancellable(const CancellableIo& io, SOCKET listener, DWORD milliseconds, SOCKET* connection)
{
    bool listening = false;
    int error = ListeningState(listener, &listening);
    if (error != 0)
        return error;
    if (!listening)
        return WSAEINVAL;
    LPFN_ACCEPTEX acceptEx = nullptr;
    if (ExtensionFunction(listener, WSAID_ACCEPTEX, &acceptEx, sizeof acceptEx) != 0)
        return LastError();
    DWORD bytes = 0;
    SOCKET accepted = socket(AF_INET, SOCK_STREAM, 0);
    if (accepted == INVALID_SOCKET)
        return LastError();
    // The local and the peer's address; not used.
    char addresses[2 * AcceptAddressSpace];
    WSAOVERLAPPED overlapped;
    PrepareOverlapped(io.ioEvent, &overlapped);
    if (!acceptEx(listener, accepted, addresses, 0, AcceptAddressSpace, AcceptAddressSpace, &bytes, &overlapped)) {
        error = LastError();
        if (error == WSA_IO_PENDING)
            error = CompleteOverlapped(io, listener, &overlapped, milliseconds, &bytes);
        if (error != 0) {
            closesocket(accepted);
            return error;
        }
    }
    // Gives the connection the listening socket's properties, as accept does.
    setsockopt(accepted, SOL_SOCKET, SO_UPDATE_ACCEPT_CONTEXT, reinterpret_cast<char*>(&listener), sizeof listener);
    *connection = accepted;
    return 0;
}

Readiness WaitForConnectionRequest(const CancellableIo& io, SOCKET listener, DWORD milliseconds)
{
    ResetEvent(io.ioEvent);
    if (WSAEventSelect(listener, io.ioEvent, FD_ACCEPT) != 0)
        return Readiness::Empty;
    // A wake comes first when both are there.
    HANDLE waits[2] = {io.wakeEvent, io.ioEvent};
    DWORD waited = WaitForMultipleObjects(2, waits, FALSE, milliseconds);
    // The selection made the socket non-blocking; every socket of the module
    // blocks. A connection taken by AcceptEx meanwhile takes neither from it.
    WSAEventSelect(listener, nullptr, 0);
    u_long blocking = 0;
    ioctlsocket(listener, FIONBIO, &blocking);
    if (waited == WAIT_OBJECT_0)
        return Readiness::Woken;
    return waited == WAIT_OBJECT_0 + 1 ? Readiness::Readable : Readiness::Empty;
}
