// The worker threads that serve slots: one per slot with a callback. A
// worker waits for its socket to become readable, accepts connections on a
// listening TCP slot and receives text on any other, and calls the slot's
// script function for each event.
//
// Safety rules every worker follows:
// - It knows its slot by index and generation. Every read and write of the
//   slot happens under the table lock after checking that the generation is
//   unchanged; once the slot was released it never touches it again and
//   makes no further callback.
// - A release of the served slot does not close the socket under the
//   worker's readiness wait or receive (the handle could be reused by a new
//   socket that the worker would then read): the socket is handed over,
//   shut down so the peer sees the end at once, and the worker is woken
//   through its wake socket and wake event; receives and accepts are
//   overlapped, so the wake cancels them. The worker closes the socket when
//   it ends, and the release waits for that (moments), so that the port is
//   free when tClose returns. A worker inside a callback uses no socket:
//   its socket is closed at once.
// - Script functions are called on the worker's own Lua thread, made by
//   tSetCallback, never on the script's stack; the binding's per-state lock
//   serialises them with the script's thread and with other workers.
// - Each worker holds a reference on this module, so the DLL stays mapped
//   until the worker's last instruction.
#ifndef SCRIPTNET_SOCKETS_SLOT_WORKER_H
#define SCRIPTNET_SOCKETS_SLOT_WORKER_H

#include <winsock2.h>
#include <windows.h>

namespace LuaPlus {
class LuaState;
}

// Event codes of the callback's second argument.
enum CallbackEvent {
    CallbackClosed = 0,
    CallbackData = 1,
    CallbackAccepted = 2,
};

struct SlotWorker {
    int index;
    unsigned generation;           // of the slot when it was served
    LuaPlus::LuaState* luaThread;  // the worker's own Lua thread
    SOCKET wakeSocket;             // UDP, connected to itself
    HANDLE wakeEvent;              // manual-reset, set by a release or a
                                   // retirement, reset at each pass
    HANDLE ioEvent;                // of the overlapped receive or accept
    SOCKET releasedSocket;         // handed over by a release (table lock)
    SOCKET retiredSocket;          // replaced by tAccept (table lock)
    HMODULE modulePin;             // reference that keeps the DLL loaded
    // Inside a script call (table lock): the worker then uses no socket, so
    // a release closes the slot's socket at once instead of handing it over.
    bool inCallback;
    HANDLE socketClosedEvent;  // manual-reset, set once the worker has
                               // closed a socket handed over to it
    DWORD threadId;
};

// The readiness-wait limit of every worker: 3600 seconds, read by each
// worker when it starts.
timeval WorkerWaitTime();

// Serves the slot (index, generation) by a new worker that calls the global
// function `name` in the caller's universe. Sets callbackName and
// workerThread. False, with nothing changed, if the slot was released or
// has a callback meanwhile, or the thread cannot be started.
bool StartSocketWorker(int index, unsigned generation, const char* name, LuaPlus::LuaState* callingState);

// The thread procedure.
DWORD WINAPI SocketWorker(void* worker);

// Calls the slot's script function with (handle, event, text or "", extra)
// for one result; answers whether that result is true. False without a
// call when the slot was released, has no callback, or the global is not a
// function.
bool InvokeCallback(SlotWorker* worker, const char* text, int event, int extra);

// Whether the worker's slot still is the one it serves. Lock held.
bool WorkerSlotIsLive(const SlotWorker* worker);

// Takes the socket tAccept replaced, if any, and clears the wake event; at
// the start of each pass, when the worker uses no socket.
SOCKET TakeRetiredSocket(SlotWorker* worker);

// The last step of a worker thread: closes what it owns, lets its Lua
// thread go and releases the module reference. Does not return.
void FinishWorker(SlotWorker* worker);

// Manual-reset event, set while the module unloads. Script calls that wait
// on an event (tWait) also wait on it: a callback inside such a wait would
// otherwise keep its worker, and the unloading, waiting for up to an hour.
HANDLE WorkersStoppingEvent();

// Unloading: refuses new workers, releases every slot (which wakes every
// worker), interrupts the script code of callbacks and closes their
// message boxes, waits up to `limit` milliseconds in all for the workers to
// end, and releases what callbacks made meanwhile. New workers are accepted
// again afterwards (the module may be registered anew).
void StopAllSocketWorkers(DWORD limit);

#endif
