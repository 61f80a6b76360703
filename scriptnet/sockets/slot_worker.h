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
// - It makes its socket calls inside a use of the slot's socket, taken at
//   the start of each pass and ended before each call into the script, so
//   a release never closes the socket under its readiness wait, receive or
//   accept (the handle could be reused by a new socket that the worker would
//   then read); see slot_socket.h. A release wakes the worker through its
//   wake event and wake socket: its receives are overlapped calls that wait
//   by themselves, which the wake event cancels, and a listening slot's
//   readiness wait, which the wake socket ends, is followed by an
//   overlapped accept. A worker inside a callback uses no socket.
// - Script functions are called on the worker's own Lua thread, made by
//   tSetCallback, never on the script's stack; the binding's per-state lock
//   serialises them with the script's thread and with other workers.
// - Each worker holds a reference on this module, so the DLL stays mapped
//   until the worker's last instruction.
// - Unloading waits for every worker to end; it marks the workers' OS
//   threads so that their Lua code, in whichever coroutine, raises an error.
#ifndef SCRIPTNET_SOCKETS_SLOT_WORKER_H
#define SCRIPTNET_SOCKETS_SLOT_WORKER_H

#include <winsock2.h>
#include <windows.h>

#include "sockets/winsock_io.h"

namespace LuaPlus {
class LuaState;
}

struct SlotSocket;

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
    SOCKET wakeSocket;  // UDP, connected to itself: wakes a listening
                        // slot's readiness wait
    CancellableIo io;   // wakeEvent: set by a release, a replacement, a listen
    bool woken;         // wakeEvent is set (table lock); reset at the next pass
    // The slot's socket while the worker makes calls on it (table lock);
    // null inside callbacks.
    SlotSocket* socketInUse;
    HMODULE modulePin;  // reference that keeps the DLL loaded
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

// Whether the worker is still serving its slot with the socket it uses:
// false once the slot was released or its socket replaced. Lock held.
bool WorkerSocketIsCurrent(const SlotWorker* worker);

// The worker takes a use of its slot's current socket, clearing its wake
// event first; at the start of each pass. False, with no use taken, when the
// slot is no longer the worker's. Lock held.
bool UseCurrentSocket(SlotWorker* worker);

// Ends the worker's use of its socket, if it has one: before every call
// into the script and as it ends. Lock held.
void EndWorkerSocketUse(SlotWorker* worker);

// The last step of a worker thread: closes what it owns, lets its Lua
// thread go and releases the module reference. Does not return.
void FinishWorker(SlotWorker* worker);

// Unloading, once no universe is registered (so no worker starts and no
// slot is taken): releases every slot, which wakes every worker and every
// call on a socket, makes the Lua code of callbacks still running raise an
// error in whichever coroutine it runs, and waits, without a limit, until
// every worker has ended: the host closes the state next. The module's own
// waits of callbacks (boxes, flashes) end through the unloading signal.
void StopAllSocketWorkers();

#endif
