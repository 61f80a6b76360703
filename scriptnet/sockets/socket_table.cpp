#include "sockets/socket_table.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/this_module.h"
#include "sockets/registered_universes.h"

SocketSlot gSocketTable[SocketSlotCount];

namespace {

// A critical section made when the module loads, before any script can
// run, and never deleted: a worker thread may still leave it while the
// module goes away. The owner is kept beside it so that a second entry by
// the same thread, which a critical section would allow, is caught.
struct TableLockState {
    CRITICAL_SECTION section;
    std::atomic<DWORD> owner;  // thread id while held, else 0
    TableLockState() : owner(0) { InitializeCriticalSection(&section); }
};

TableLockState gTableLock;

// The slots in use, kept beside the table so that tGetCount, which scripts
// call in their loops, needs neither the lock nor a walk over the table.
// Written only with the lock held; a read of the aligned word sees the count
// of one moment, as a count taken under the lock would.
volatile LONG gSlotsInUse = 0;

[[noreturn]] void StopAtReentry()
{
    std::fputs("tolva: the socket table lock was taken again by the thread that holds it\n", stderr);
    std::fflush(stderr);
    std::abort();
}

int FindFreeSlotLocked()
{
    for (int i = 0; i < SocketSlotCount; ++i) {
        if (gSocketTable[i].slotFlags == 0)
            return i;
    }
    return -1;
}

// Zeroes a slot's contents but keeps its generation.
void ZeroSlotLocked(SocketSlot& slot)
{
    unsigned generation = slot.generation;
    std::memset(&slot, 0, sizeof slot);
    slot.generation = generation;
}

}  // namespace

SocketTableLock::SocketTableLock()
{
    // Only this thread can have written its own id there, so the unlocked
    // read is exact for the one answer that matters.
    DWORD self = GetCurrentThreadId();
    if (gTableLock.owner.load(std::memory_order_relaxed) == self)
        StopAtReentry();
    EnterCriticalSection(&gTableLock.section);
    gTableLock.owner.store(self, std::memory_order_relaxed);
}

SocketTableLock::~SocketTableLock()
{
    gTableLock.owner.store(0, std::memory_order_relaxed);
    LeaveCriticalSection(&gTableLock.section);
}

int TakeFreeSlotLocked(unsigned flags, LuaPlus::LuaState* scriptState, unsigned* generation)
{
    if (!UniverseIsRegisteredLocked(scriptState))
        return -1;
    int index = FindFreeSlotLocked();
    if (index < 0)
        return -1;
    SocketSlot& slot = gSocketTable[index];
    ZeroSlotLocked(slot);
    slot.slotFlags = flags | SlotInUse;
    ++gSlotsInUse;
    slot.slotIndex = index;
    slot.scriptState = scriptState;
    if (generation != nullptr)
        *generation = slot.generation;
    return index;
}

ReleasedSlot ReleaseSlotLocked(SocketSlot& slot)
{
    ReleasedSlot released = {nullptr, nullptr};
    if (slot.slotFlags == 0)
        return released;
    --gSlotsInUse;
    released.socket = slot.socket;
    released.worker = slot.worker;
    CloseOwnedHandle(slot.dataEvent);
    ZeroSlotLocked(slot);
    ++slot.generation;
    return released;
}

SocketSlot* SlotOfHandleLocked(int handle)
{
    if (handle < 1 || handle > SocketSlotCount)
        return nullptr;
    SocketSlot& slot = gSocketTable[handle - 1];
    return (slot.slotFlags & SlotInUse) != 0 ? &slot : nullptr;
}

int SlotIndexOfHandle(int handle)
{
    SocketTableLock lock;
    return SlotOfHandleLocked(handle) != nullptr ? handle - 1 : -1;
}

bool CopySlotOfHandle(int handle, SocketSlot* copy)
{
    SocketTableLock lock;
    const SocketSlot* slot = SlotOfHandleLocked(handle);
    if (slot == nullptr)
        return false;
    *copy = *slot;
    return true;
}

bool SetSlotErrorOfGeneration(int index, unsigned generation, int error)
{
    if (index < 0 || index >= SocketSlotCount)
        return false;
    SocketTableLock lock;
    SocketSlot& slot = gSocketTable[index];
    if (!SlotHasGenerationLocked(slot, generation))
        return false;
    slot.lastError = error;
    return true;
}

int CountSlotsInUse()
{
    return gSlotsInUse;
}
