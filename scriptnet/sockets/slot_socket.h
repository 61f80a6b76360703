// A slot's socket and the threads inside calls on it.
//
// Under this socket layer a call in flight finds its socket through the
// handle value each time it goes on, and the value of a closed socket is
// given to the next socket made: a send still under way when its socket is
// closed carries on into another connection. So a socket is never closed
// while a thread uses it. Every call on a slot's socket, by a script
// function or a worker, is made inside a use taken under the table lock in
// the same look at the slot that finds the socket. A release (tClose,
// tClean, a worker's end, unloading, tAccept's replacement) closes an unused
// socket at once; a used one is shut down, its users are woken through its
// released event (every wait of a call on it waits on that too), and the
// last user closes it.
#ifndef SCRIPTNET_SOCKETS_SLOT_SOCKET_H
#define SCRIPTNET_SOCKETS_SLOT_SOCKET_H

#include <winsock2.h>
#include <windows.h>

struct SlotSocket {
    SOCKET handle;
    int users;             // threads inside a call on it
    bool released;         // no slot holds it; its last user closes it
    HANDLE releasedEvent;  // manual-reset, set by the release
    HANDLE closedEvent;    // made by a release that leaves users; set once closed
};

// All of these with the table lock held.

// A record for a new socket, or null when none can be made (the socket is
// then closed).
SlotSocket* AdoptSocket(SOCKET handle);

void BeginSocketUse(SlotSocket* socket);

// Ends one use; the last use of a released socket closes it.
void EndSocketUse(SlotSocket* socket);

// The slot lets go of the socket: closed now if nobody uses it, else shut
// down (the peer sees the end at once) and its users woken. Answers an event
// set once the socket is closed, for the caller to wait on without the lock
// (AwaitSocketsClosed), or null when it is closed already.
HANDLE ReleaseSocket(SlotSocket* socket);

// Without the lock: waits for released sockets to be closed by their last
// users (moments: a release wakes them; one held up elsewhere is closed
// later), and closes the events.
void AwaitSocketsClosed(HANDLE* closedEvents, int count);

#endif
