// The module's one layer over Winsock: every socket call of tolva is made
// here, with the fixes for socket layers that behave otherwise than
// Windows' own (Wine's among them). Operations answer 0 on success or a
// Winsock error code; what they produce goes to out-parameters. Nothing
// here knows slots, scripts or Lua.
#ifndef SCRIPTNET_SOCKETS_WINSOCK_IO_H
#define SCRIPTNET_SOCKETS_WINSOCK_IO_H

#include <winsock2.h>
#include <windows.h>

// Starts Winsock once more, for a caller that never stops it.
void StartWinsock();

// An IPv4 address record of an address in network order and a port.
sockaddr_in Ipv4Address(unsigned long networkAddress, unsigned short port);

// A dotted IPv4 address converts without a lookup; anything else is looked
// up as a host name. WSAHOST_NOT_FOUND when neither gives an address.
int ResolveIpv4Host(const char* host, unsigned long* networkAddress);

// The dotted address only, without a lookup: other text gives the all-ones
// address 255.255.255.255.
unsigned long DottedIpv4Address(const char* text);

// A new TCP or UDP socket bound to the port on every local address.
int OpenBoundSocket(bool datagram, unsigned short port, SOCKET* socketHandle);

void CloseSocket(SOCKET socketHandle);

// Ends the connection in both directions at once, leaving the handle open.
void ShutDownSocket(SOCKET socketHandle);

// A plain connect, for a datagram socket (which only fixes its peer).
int ConnectSocket(SOCKET socketHandle, const sockaddr_in& peer);

int ListenOnSocket(SOCKET socketHandle, int backlog);

// Whether a stream socket has a peer (is connected).
bool SocketHasPeer(SOCKET socketHandle);

// One sendto of `length` bytes, repeated after a short pause while the
// socket would block. The last error met on the way, a would-block one
// included, goes to `lastFailure` (0 when there was none). A count of 0
// sent is no error.
int SendToRetrying(SOCKET socketHandle, const char* data, int length, const sockaddr_in& destination, int* sent,
                   int* lastFailure);

// Whether a connection has ended: a reset or another error is pending, or
// the socket no longer has a peer. Some socket layers answer a reset with a
// receive of 0 and keep no pending error for it; the connection then has
// no peer any more, where after an orderly close it still has one until it
// is closed.
bool ConnectionFailed(SOCKET socketHandle);

// The short pause before a would-block call is tried again.
void PauseAfterWouldBlock();

// What a cancellable call answers when its wait ran out; no Winsock error
// of a socket call has this value.
const int IoWaitedOut = static_cast<int>(WSA_WAIT_TIMEOUT);

// What a call needs to wait by itself and be cancelled: the event its
// overlapped call completes on and an event that cancels it when set (a
// worker's wake event, or the released event of the socket's record). The
// thread that made the call cancels it: only it can.
struct CancellableIo {
    HANDLE ioEvent;    // manual-reset; may be left set by a call that ended at once
    HANDLE wakeEvent;  // manual-reset, set to cancel
};

// A completion event lent by a small pool for the calls of one script
// function, given back when the object goes; Get() is null when none could
// be made. Making and closing an event for each call cost a short send as
// much again.
class PooledIoEvent {
public:
    PooledIoEvent();
    ~PooledIoEvent();
    PooledIoEvent(const PooledIoEvent&) = delete;
    PooledIoEvent& operator=(const PooledIoEvent&) = delete;
    HANDLE Get() const { return event_; }

private:
    HANDLE event_;
};

// Closes the pool's idle events; a call running meanwhile makes a new one.
void CloseIdleIoEvents();

// One overlapped connect (ConnectEx) of a bound stream socket, waited for
// until it ends or is cancelled (WSA_OPERATION_ABORTED).
int ConnectCancellable(const CancellableIo& io, SOCKET socketHandle, const sockaddr_in& peer);

// One send of `length` bytes on a connection, repeated after a short pause
// while the socket would block. A blocking send of more than the socket's
// buffers hold can wait for good on a connection the peer has closed (some
// socket layers never complete it), so the send is overlapped: it waits as
// long as the peer takes the bytes, and ends when the connection fails or
// the call is cancelled (an error then: what the peer got is unknown).
int SendWhileConnected(const CancellableIo& io, SOCKET socketHandle, const char* data, int length, int* sent);

// One overlapped receive of up to `size` bytes, waited for up to
// `milliseconds`: IoWaitedOut when nothing came in that time, and a set
// wake event cancels it (WSA_OPERATION_ABORTED). Returns only once the call
// no longer writes into `buffer`; what arrived before a cancellation is
// still answered.
int ReceiveCancellable(const CancellableIo& io, SOCKET socketHandle, char* buffer, int size, DWORD milliseconds,
                       int* count);

// One overlapped accept (AcceptEx) on a listening socket, waited for and
// cancelled like a receive. WSAEINVAL at once on a socket that does not
// listen: some socket layers leave an AcceptEx on it pending for good.
int AcceptCancellable(const CancellableIo& io, SOCKET listener, DWORD milliseconds, SOCKET* connection);

enum class Readiness { Readable, Empty, Woken };

// Waits up to `milliseconds` for a connection to wait on the listening
// socket, without taking it, or for the wake event. Empty: time-out or
// error. The completion event is lent for the wait (no call of the caller's
// is pending meanwhile), and the socket is blocking again afterwards.
Readiness WaitForConnectionRequest(const CancellableIo& io, SOCKET listener, DWORD milliseconds);

#endif
