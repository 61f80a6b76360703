// The worker threads that serve slots: one per slot with a callback. A
// worker accepts connections on a listening TCP slot (once its socket is
// readable) and receives text on any other, and calls the slot's script
// function for each event.
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
//   through its wake event and wake socket: its receives are overlapped
//   calls that wait by themselves, which the wake event cancels, and a
//   listening slot's readiness wait, which the wake socket ends, is
//   followed by an overlapped accept. The worker closes the socket when it
//   ends, and the release waits for that (moments), so that the port is
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

#include "sockets/winsock_io.h"

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
    // The global function it calls: the name does not change while the
    // worker serves the slot (a second tSetCallback is refused), so the
    // worker keeps its own copy and needs no look at the slot for it.
    char* functionName;
    SOCKET wakeSocket;      // UDP, connected to itself: wakes a listening
                            // slot's readiness wait
    CancellableIo io;       // wakeEvent: set by a release or a retirement
    bool woken;             // wakeEvent is set (table lock); reset at the next pass
    SOCKET releasedSocket;  // handed over by a release (table lock)
    SOCKET retiredSocket;   // replaced by tAccept (table lock)
    HMODULE modulePin;      // reference that keeps the DLL loaded
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

// The thread procedure.
DWORD WINAPI SocketWorker(void* worker);

// Calls the slot's script function with (handle, event, text or "", extra)
// for one result; answers whether that result is true. The caller has just
// seen the slot live; the call is not made when the slot was released
// meanwhile, nor when the global is not a function.
bool InvokeCallback(SlotWorker* worker, const char* text, int event, int extra);

// Whether the worker's slot still is the one it serves: the one check
// before every read or write of the slot by its worker. Lock held.
bool WorkerSlotIsLive(const SlotWorker* worker);

// Takes the socket tAccept replaced, if any, and clears the wake event if it
// was set; at the start of each pass, when the worker uses no socket. Lock
// held.
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
