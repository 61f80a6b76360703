// The process-wide table of 30 socket slots shared by every script state
// that registered the module and by the worker threads that serve slots,
// and the table lock that guards it.
//
// Every field of a slot is read and written with the table lock held. The
// lock is not recursive: a function that must run with it held is named
// ...Locked and never takes it, and a function that takes it is never
// called with it held (a thread that takes it twice is stopped on the spot).
// No call that waits is made with it held.
//
// The table only keeps the records. A release takes the slot's socket and
// worker out of it and gives them to the caller, who hands them over
// (slot_socket.h): the table closes no socket and wakes no worker.
//
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

// The flags of a slot whose worker accepts connections: exactly these, so a
// UDP slot marked listening goes on receiving.
const unsigned ListeningTcp = SlotInUse | SlotListening;

// The backlog of a slot made listening by tListen, kept by its worker: the
// system's largest queue, since beyond the backlog some socket layers reset
// connections that a burst of clients makes before the worker accepts.
const int ListenBacklog = SOMAXCONN;

const int SocketSlotCount = 30;

struct SocketSlot {
    SlotSocket* socket;  // the slot's socket; null only while tCreate makes it
    HANDLE dataEvent;    // auto-reset; null in slots made by accepting
    int slotIndex;
    unsigned slotFlags;  // 0: free
    int lastError;
    LuaPlus::LuaState* scriptState;  // main state of the universe that made it
    // The worker serving the slot, or null. A slot has a callback exactly
    // while it has a worker; the worker keeps the function's name.
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

// The table lock, held for the scope of an object. Not recursive: taking it
// on a thread that holds it already ends the process with a message, where
// it would otherwise hang or silently nest.
class SocketTableLock {
public:
    SocketTableLock();
    ~SocketTableLock();
    SocketTableLock(const SocketTableLock&) = delete;
    SocketTableLock& operator=(const SocketTableLock&) = delete;
};

// What a release took out of a slot, for the caller to hand over: the socket
// to let go of and the worker to wake. Null members: nothing of that kind.
struct ReleasedSlot {
    SlotSocket* socket;
    SlotWorker* worker;
};

// Whether the slot is in use and was not released since it had this
// generation.
inline bool SlotHasGenerationLocked(const SocketSlot& slot, unsigned generation)
{
    return slot.generation == generation && slot.slotFlags != 0;
}

// Takes the lowest free slot: zeroes it (its generation kept), sets
// slotFlags (SlotInUse is added), slotIndex and scriptState. Answers the
// index, or -1 when the table is full or the universe of scriptState (a
// main state) is not registered; the slot's generation goes to *generation
// when asked for.
int TakeFreeSlotLocked(unsigned flags, LuaPlus::LuaState* scriptState, unsigned* generation = nullptr);

// Empties the slot: closes its event, zeroes it (the worker's thread goes
// on) and advances its generation. Answers its socket and worker, which the
// caller must hand over; nothing for a free slot.
ReleasedSlot ReleaseSlotLocked(SocketSlot& slot);

// The handle rule: a script's handle h (a number's integer value, fraction
// dropped) lies between 1 and 30 and its slot h - 1 is in use. Answers the
// slot, or null when the handle is not accepted.
SocketSlot* SlotOfHandleLocked(int handle);

// The same as a slot index, or -1, taking the lock.
int SlotIndexOfHandle(int handle);

// A copy of the slot of an accepted handle, taken in one look; false when
// the handle is not accepted. Takes the lock.
bool CopySlotOfHandle(int handle, SocketSlot* copy);

// Records an error in the slot unless it was released since (generation
// changed). Answers whether it did. Takes the lock.
bool SetSlotErrorOfGeneration(int index, unsigned generation, int error);

// Number of slots in use, read without the lock.
int CountSlotsInUse();

#endif
