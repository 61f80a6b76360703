// The process-wide table of 30 socket slots shared by every script state
// that registered the module and by the worker threads that serve slots.
//
// Guard: every field of a slot is read and written with the table lock held
// (SocketTableLock); blocking socket calls are made without it, inside a
// use of the slot's socket taken under it (slot_socket.h), never on a bare
// copy of the handle. A slot is taken (TakeFreeSlot) and released
// (ReleaseSlot) atomically, so no two threads are ever handed the same slot.
// Each slot has a generation that every release advances: a thread that
// remembers (index, generation) finds out that its slot was released, and
// possibly taken again, by comparing.
#ifndef SCRIPTNET_SOCKETS_SOCKET_TABLE_H
#define SCRIPTNET_SOCKETS_SOCKET_TABLE_H

#include <winsock2.h>
#include <windows.h>

namespace LuaPlus {
class LuaState;
}  // namespace LuaPlus

struct SlotSocket;
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
    SlotSocket* socket;   // the slot's socket; null only while tCreate makes it
    HANDLE workerThread;  // null when no worker serves the slot
    HANDLE dataEvent;     // auto-reset; null in slots made by accepting
    int slotIndex;
    unsigned slotFlags;  // 0: free
    char* callbackName;  // owned heap copy, or null
    int lastError;
    LuaPlus::LuaState* scriptState;  // main state of the universe that made it
    // The worker thread serving the slot, or null; a release wakes it.
    SlotWorker* worker;
    // A listen on the socket succeeded: the socket is in listening state.
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

// Defined with the workers: cancels the worker's pending receive or accept
// and ends its readiness wait, so that it looks at its slot again. Lock
// held.
void WakeSlotWorker(SlotWorker* worker);

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
// the index, or -1 when the table is full or the universe of scriptState
// (a main state) is not registered; the slot's generation goes to
// *generation when asked for.
int TakeFreeSlot(unsigned flags, LuaPlus::LuaState* scriptState, unsigned* generation = nullptr);

// Releases the slot's socket (closed at once, or by its last user, see
// slot_socket.h), closes its event and worker-thread handle (the thread
// itself is not stopped, only woken), frees the callback name, zeroes the
// slot and advances its generation. Nothing happens for a free slot. When
// it returns, the socket is closed and its port free (the users of a socket
// in use are waited for, briefly). Must not be called with the lock held.
void ReleaseSlot(int index);

// ReleaseSlot only if the slot still has this generation, i.e. was not
// released since. Answers whether it released it. May be called with the
// lock held; a socket in use is then closed by its last user soon after.
bool ReleaseSlotOfGeneration(int index, unsigned generation);

// Notes that the slot's socket listens, unless the slot was released or its
// socket replaced since, and wakes the slot's worker when asked: a worker
// receiving on the socket waits for it to be readable from now on.
void NoteSocketListens(int index, unsigned generation, const SlotSocket* socket, bool wakeWorker);

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

// A script function's use of the socket of an accepted handle, for the
// length of its calls on it: taken with a copy of the slot in one look under
// the lock, ended when the object goes (which closes the socket if the slot
// let go of it meanwhile).
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
    SOCKET Handle() const;
    // Set once the slot let go of the socket: every wait of a call on it
    // waits on this too.
    HANDLE ReleasedEvent() const;

private:
    SocketSlot slot_;
};

// Number of slots in use.
int CountSlotsInUse();

#endif
