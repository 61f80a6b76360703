// The record of a worker thread that serves a slot, and the worker's one way
// to be woken. The thread itself: socket_worker.h; its start, its wait for
// the next slot between two and its end: worker_lifecycle.cpp.
//
// A worker knows its slot by index and generation and touches it only under
// the table lock after checking both, so once the slot is released it
// neither touches it again nor makes a further callback. It makes its
// socket calls inside a use of the slot's socket (slot_socket.h), taken at
// the start of each pass and ended before each call into the script.
#ifndef SCRIPTNET_SOCKETS_SLOT_WORKER_H
#define SCRIPTNET_SOCKETS_SLOT_WORKER_H

#include <winsock2.h>
#include <windows.h>

#include "sockets/winsock_io.h"

namespace LuaPlus {
class LuaState;
}

struct SlotSocket;

struct SlotWorker {
    int index;
    unsigned generation;           // of the slot when it was served
    LuaPlus::LuaState* universe;   // the main state it serves slots of
    LuaPlus::LuaState* luaThread;  // the worker's own Lua thread, of that universe
    // The global function it calls, its one copy: the name does not change
    // while the worker serves the slot (a second tSetCallback is refused).
    char* callbackName;
    // io.wakeEvent is the worker's one way to be woken: its receive, its
    // accept, a listening socket's readiness wait and the wait for a
    // connection all end on it, and so does an idle worker's wait for its
    // next slot. Set by a release, a replacement of the socket, a listen or
    // a connect of the script, a new slot handed over and the unloading.
    CancellableIo io;
    bool woken;  // io.wakeEvent is set (table lock); cleared at the next pass
    // The slot's socket while the worker makes calls on it (table lock);
    // null inside callbacks.
    SlotSocket* socketInUse;
    // Handed a new slot while it waited between two (table lock); woken
    // without one, it ends.
    bool handedSlot;
    HMODULE modulePin;  // reference that keeps the DLL loaded
    DWORD threadId;
};

// Ends the worker's waits so that it looks at its slot again.
inline void WakeWorkerLocked(SlotWorker* worker)
{
    if (worker->woken)
        return;
    worker->woken = true;
    SetEvent(worker->io.wakeEvent);
}

// At the start of a pass, before the worker's look at its slot: a wake that
// comes later is seen by that look or ends the pass's wait.
inline void ClearWakeLocked(SlotWorker* worker)
{
    if (!worker->woken)
        return;
    ResetEvent(worker->io.wakeEvent);
    worker->woken = false;
}

#endif
