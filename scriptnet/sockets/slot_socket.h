// A slot's socket, the threads inside calls on it, and how a slot hands it
// over: the one place where sockets leave slots.
//
// Under this socket layer a call in flight finds its socket through the
// handle value each time it goes on, and the value of a closed socket is
// given to the next socket made: a send still under way when its socket is
// closed carries on into another connection. So a socket is never closed
// while a thread uses it. Every call on a slot's socket, by a script
// function or a worker, is made inside a use taken under the table lock in
// the same look at the slot that finds the socket.
//
// The handover: a release of a slot (tClose, tClean, a worker's end,
// unloading) gives its socket up and wakes its worker; tAccept's
// replacement retires the listening socket the same way. A socket given up
// is closed at once if nobody uses it; a used one is shut down (the peer
// sees the end at once), its users are woken through its released event
// (every wait of a call on it waits on that too), and its last user closes
// it and sets its closed event, which the releasing thread may wait on
// without the lock, so that the port is free when tClose, tClean or tAccept
// returns.
#ifndef SCRIPTNET_SOCKETS_SLOT_SOCKET_H
#define SCRIPTNET_SOCKETS_SLOT_SOCKET_H

#include <winsock2.h>
#include <windows.h>

#include "sockets/socket_table.h"

// A reader waiting for the one receiving on a stream socket to end.
struct StreamWaiter {
    HANDLE event;  // set when the receive has ended
    StreamWaiter* next;
};

// The most one receive on a stream socket takes, for all its readers.
const int ReadAheadBytes = 16384;

// Bytes of a stream socket received ahead of its readers (stream_receive.h):
// what a reader did not take of a receive waits here for the next one. One
// reader at a time receives; the others wait until it has ended.
struct ReadAhead {
    int start;  // bytes[start, end) are not taken yet
    int end;
    bool receiving;         // a reader is in a receive on the socket
    StreamWaiter* waiters;  // readers waiting for that receive to end
    char bytes[ReadAheadBytes];
};

struct SlotSocket {
    SOCKET handle;
    int users;             // threads inside a call on it
    bool released;         // no slot holds it; its last user closes it
    HANDLE releasedEvent;  // manual-reset, set when it is given up
    HANDLE closedEvent;    // made when it is given up in use; set once closed
    ReadAhead* readAhead;  // made at the first receive on a stream socket
};

// A record for a new socket, or null when none can be made (the socket is
// then closed).
SlotSocket* AdoptSocket(SOCKET handle);

void BeginSocketUseLocked(SlotSocket* socket);

// Ends one use; the last use of a socket given up closes it.
void EndSocketUseLocked(SlotSocket* socket);

// Gives up a socket that no slot holds (any more): closed now if nobody uses
// it, else shut down and its users woken. Answers an event set once it is
// closed, for AwaitSocketsClosed, or null when it is closed already.
HANDLE GiveUpSocketLocked(SlotSocket* socket);

// The same, without waiting for the close.
void DiscardSocketLocked(SlotSocket* socket);

// Wakes the slot's worker, if it has one, to look at its slot again.
void WakeSlotWorkerLocked(const SocketSlot& slot);

// Releases the slot and hands over its socket and worker; nothing happens
// for a free slot. When it returns the socket is closed and its port free
// (its users were woken and waited for, briefly). Takes the lock.
void ReleaseSlot(int index);

// Releases every slot in use, the same way. Takes the lock.
void ReleaseAllSlots();

// ReleaseSlot only if the slot still has this generation, i.e. was not
// released since; a socket in use is closed by its last user soon after,
// without a wait. Answers whether it released the slot.
bool ReleaseSlotOfGenerationLocked(int index, unsigned generation);

// tAccept's handover: the connection becomes the slot's socket, the
// listening socket is retired and the slot's worker woken to take the
// connection. Answers the retired socket's closed event, or null.
HANDLE ReplaceSlotSocketLocked(SocketSlot& slot, SlotSocket* connection);

// Notes that the socket listens, unless the slot was released or its socket
// replaced since, and wakes the slot's worker when asked: a worker receiving
// on the socket waits for a connection from now on. Takes the lock.
void NoteSocketListens(int index, unsigned generation, const SlotSocket* socket, bool wakeWorker);

// Wakes the worker of the slot (index, generation) to look at it again,
// unless the slot was released or its socket replaced since: the script
// changed the socket under it (connected it, or failed to make an
// unconnected one listen). Takes the lock.
void WakeWorkerOfSocket(int index, unsigned generation, const SlotSocket* socket);

// Without the lock: waits for sockets given up in use to be closed by their
// last users (moments: they were woken; one held up elsewhere is closed
// later), and closes the events.
void AwaitSocketsClosed(HANDLE* closedEvents, int count);

// A script function's use of the socket of an accepted handle, for the
// length of its calls on it: taken with a copy of the slot in one look under
// the lock, ended when the object goes (which closes the socket if the slot
// gave it up meanwhile).
class SlotSocketUse {
public:
    // Not taken when the handle is not accepted. Asked for, a second handle
    // of the slot's data event is made in the same look (null if it has none).
    explicit SlotSocketUse(int handle, HANDLE* dataEventCopy = nullptr);
    ~SlotSocketUse();
    SlotSocketUse(const SlotSocketUse&) = delete;
    SlotSocketUse& operator=(const SlotSocketUse&) = delete;

    bool Taken() const { return slot_.socket != nullptr; }
    // The slot as it was when the use was taken.
    const SocketSlot& Slot() const { return slot_; }
    SOCKET Handle() const { return slot_.socket->handle; }
    SlotSocket* Socket() const { return slot_.socket; }
    // Set once the slot gave the socket up: every wait of a call on it
    // waits on this too.
    HANDLE ReleasedEvent() const { return slot_.socket->releasedEvent; }

private:
    SocketSlot slot_;
};

#endif
