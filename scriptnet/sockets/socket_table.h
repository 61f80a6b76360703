// The process-wide table of 30 socket slots shared by every script state
// that registered the module and by the worker threads that serve slots.
//
// Guard: every field of a slot is read and written with the table lock held
// (SocketTableLock); blocking socket calls are made on a
// copy of the handle taken under the lock, never with the lock held. A slot
// is taken (TakeFreeSlot) and released (ReleaseSlot) atomically, so no two
// threads are ever handed the same slot. Each slot has a generation that
// every release advances: a thread that remembers (index, generation) finds
// out that its slot was released, and possibly taken again, by comparing.
#ifndef SCRIPTNET_SOCKETS_SOCKET_TABLE_H
#define SCRIPTNET_SOCKETS_SOCKET_TABLE_H

#include <winsock2.h>
#include <windows.h>

namespace LuaPlus {
class LuaState;
}  // namespace LuaPlus

struct SlotWorker;

enum SlotFlag : unsigned {
    SlotInUse = 1,
    SlotDatagram = 2,  // UDP; clear means TCP
    SlotListening = 4,
};

// The module's own values of lastError, besides Winsock's codes.
enum SlotError {
    ErrPeerClosed = 1,
    ErrReceiveFailed = 2,
    ErrWaitExhausted = 25,
};

const int SocketSlotCount = 30;

// The most a receive takes at once, on the script's thread and in a worker.
const int ReceiveBufferSize = 1024;

// The backlog of a slot made listening by tListen, kept by its worker: the
// system's largest queue, since beyond the backlog some socket layers reset
// connections that a burst of clients makes before the worker accepts.
const int ListenBacklog = SOMAXCONN;

struct SocketSlot {
    SOCKET socketHandle;
    HANDLE workerThread;  // null when no worker serves the slot
    HANDLE dataEvent;     // auto-reset; null in slots made by accepting
    int slotIndex;
    unsigned slotFlags;  // 0: free
    char* callbackName;  // owned heap copy, or null
    int lastError;
    LuaPlus::LuaState* scriptState;  // main state of the universe that made it
    // The worker thread serving the slot, or null. While it is set the
    // worker may be using socketHandle, so a release hands the socket over to
    // the worker (HandOverServedSocket) instead of closing it under a call.
    SlotWorker* worker;
    // A listen on socketHandle succeeded: the socket is in listening state.
    // SlotListening says what the script asked for, this what the socket
    // is; a listening stream socket has no peer to receive from or send to
    // (Windows fails such calls at once, while Wine's send blocks for good),
    // so tRecv and tSend refuse it.
    bool socketListens;
    // Not part of the slot's contents: survives zeroing, advanced by every
    // release.
    unsigned generation;
};

extern SocketSlot gSocketTable[SocketSlotCount];

// The table lock (recursive), held for the scope of an object. Held only
// for short field accesses.
class SocketTableLock {
public:
    SocketTableLock();
    ~SocketTableLock();
    SocketTableLock(const SocketTableLock&) = delete;
    SocketTableLock& operator=(const SocketTableLock&) = delete;
};

// Defined with the workers: takes over the socket of a served slot that is
// being released, ends its connection at once and wakes the worker, which
// closes the socket when it is no longer inside a call on it. A worker
// inside a callback uses no socket: the socket is closed at once then.
// Answers an event set once the worker closed the socket (the caller
// closes it), or null when it is closed already. Lock held.
HANDLE HandOverServedSocket(SlotWorker* worker, SOCKET socketHandle);

// Defined with the workers: cancels the worker's pending receive or accept
// and ends its readiness wait, so that it looks at its slot again. Lock
// held.
void WakeSlotWorker(SlotWorker* worker);

// Waits, without the lock, until workers have closed the sockets handed
// over to them (a short wait: a release wakes them), and closes the events.
void AwaitHandedOverSockets(HANDLE* events, int count);

// The same for a served slot that stays in use but gets a new socket
// (tAccept): the worker closes the old one once it no longer uses it.
void RetireServedSocket(SlotWorker* worker, SOCKET socketHandle);

// Whether the slot is in use and was not released since it had this
// generation. Lock held.
inline bool SlotHasGeneration(const SocketSlot& slot, unsigned generation)
{
    return slot.generation == generation && slot.slotFlags != 0;
}

// Lowest free index, or -1 when all 30 are in use. Caller holds the lock.
int FindFreeSlot();

// Atomically takes the lowest free slot: zeroes it (its generation kept),
// sets slotFlags (SlotInUse is added), slotIndex and scriptState. Answers
// the index, or -1 when the table is full; the slot's generation goes to
// *generation when asked for.
int TakeFreeSlot(unsigned flags, LuaPlus::LuaState* scriptState, unsigned* generation = nullptr);

// Closes the slot's socket, event and worker-thread handle (the thread
// itself is not stopped), frees the callback name, zeroes the slot and
// advances its generation. Nothing happens for a free slot. When it
// returns, the socket is closed and its port free, also for a served slot.
// Must not be called with the lock held.
void ReleaseSlot(int index);

// ReleaseSlot only if the slot still has this generation, i.e. was not
// released since. Answers whether it released it. May be called with the
// lock held; a served slot's socket is then closed by its worker soon after.
bool ReleaseSlotOfGeneration(int index, unsigned generation);

// Notes that the slot's socket listens, unless the slot was released or its
// socket replaced since, and wakes the slot's worker when asked: a worker
// receiving on the socket waits for it to be readable from now on.
void NoteSocketListens(int index, unsigned generation, SOCKET socketHandle, bool wakeWorker);

// Records an error in the slot unless it was released since (generation
// changed). Answers whether it did.
bool SetSlotErrorOfGeneration(int index, unsigned generation, int error);

// Releases every slot in use; its sockets are closed when it returns. Must
// not be called with the lock held.
void ReleaseAllSlots();

// The handle rule: a script's handle h (a number's integer value, fraction
// dropped) lies between 1 and 30 and its slot h - 1 is in use. Answers the
// slot index, or -1 when the handle is not accepted.
int SlotIndexOfHandle(int handle);

// A copy of the slot of an accepted handle, taken under the lock in one
// look; false when the handle is not accepted.
bool CopySlotOfHandle(int handle, SocketSlot* copy);

// Number of slots in use.
int CountSlotsInUse();

#endif
