#include "sockets/socket_table.h"

#include <cstdlib>
#include <cstring>

#include "common/this_module.h"
#include "sockets/winsock_io.h"

SocketSlot gSocketTable[SocketSlotCount];

namespace {

// Made before any script can run (static initialisation at load) and kept
// until the process ends: worker threads may still hold it while the
// module goes away.
struct TableGuard {
    CRITICAL_SECTION section;
    TableGuard() { InitializeCriticalSection(&section); }
};

TableGuard& Guard()
{
    static TableGuard guard;
    return guard;
}

// Zeroes a slot's contents but keeps its generation. Lock held.
void ZeroSlot(SocketSlot& slot)
{
    unsigned generation = slot.generation;
    std::memset(&slot, 0, sizeof slot);
    slot.generation = generation;
}

// The release steps, lock held. Answers the event of a socket handed over
// to a worker (see HandOverServedSocket), or null.
// The slots in use, kept beside the table so that tGetCount, which scripts
// call in their loops, needs neither the lock nor a walk over the table.
// Written only with the lock held; a read of the aligned word sees the count
// of one moment, as a count taken under the lock would.
volatile LONG gSlotsInUse = 0;

HANDLE ReleaseSlotLocked(SocketSlot& slot)
{
    if (slot.slotFlags == 0)
        return nullptr;
    --gSlotsInUse;
    HANDLE handedOver = nullptr;
    if (slot.worker != nullptr) {
        handedOver = HandOverServedSocket(slot.worker, slot.socketHandle);
    } else {
        CloseSocket(slot.socketHandle);
    }
    std::free(slot.callbackName);
    CloseOwnedHandle(slot.dataEvent);
    CloseOwnedHandle(slot.workerThread);
    ZeroSlot(slot);
    ++slot.generation;
    return handedOver;
}

}  // namespace

SocketTableLock::SocketTableLock()
{
    EnterCriticalSection(&Guard().section);
}

SocketTableLock::~SocketTableLock()
{
    LeaveCriticalSection(&Guard().section);
}

int FindFreeSlot()
{
    for (int i = 0; i < SocketSlotCount; ++i) {
        if (gSocketTable[i].slotFlags == 0)
            return i;
    }
    return -1;
}

int TakeFreeSlot(unsigned flags, LuaPlus::LuaState* scriptState, unsigned* generation)
{
    SocketTableLock lock;
    int index = FindFreeSlot();
    if (index < 0)
        return -1;
    SocketSlot& slot = gSocketTable[index];
    ZeroSlot(slot);
    slot.slotFlags = flags | SlotInUse;
    ++gSlotsInUse;
    slot.slotIndex = index;
    slot.scriptState = scriptState;
    if (generation != nullptr)
        *generation = slot.generation;
    return index;
}

void ReleaseSlot(int index)
{
    if (index < 0 || index >= SocketSlotCount)
        return;
    HANDLE handedOver;
    {
        SocketTableLock lock;
        handedOver = ReleaseSlotLocked(gSocketTable[index]);
    }
    AwaitHandedOverSockets(&handedOver, handedOver != nullptr ? 1 : 0);
}

bool ReleaseSlotOfGeneration(int index, unsigned generation)
{
    if (index < 0 || index >= SocketSlotCount)
        return false;
    SocketTableLock lock;
    SocketSlot& slot = gSocketTable[index];
    if (!SlotHasGeneration(slot, generation))
        return false;
    // The caller may hold the lock, which the worker needs to let go of
    // the socket: it is not waited for here.
    CloseOwnedHandle(ReleaseSlotLocked(slot));
    return true;
}

void NoteSocketListens(int index, unsigned generation, SOCKET socketHandle, bool wakeWorker)
{
    if (index < 0 || index >= SocketSlotCount)
        return;
    SocketTableLock lock;
    SocketSlot& slot = gSocketTable[index];
    if (!SlotHasGeneration(slot, generation) || slot.socketHandle != socketHandle)
        return;
    slot.socketListens = true;
    if (wakeWorker && slot.worker != nullptr)
        WakeSlotWorker(slot.worker);
}

bool SetSlotErrorOfGeneration(int index, unsigned generation, int error)
{
    if (index < 0 || index >= SocketSlotCount)
        return false;
    SocketTableLock lock;
    SocketSlot& slot = gSocketTable[index];
    if (!SlotHasGeneration(slot, generation))
        return false;
    slot.lastError = error;
    return true;
}

void ReleaseAllSlots()
{
    HANDLE handedOver[SocketSlotCount];
    int count = 0;
    {
        SocketTableLock lock;
        for (SocketSlot& slot : gSocketTable) {
            HANDLE event = ReleaseSlotLocked(slot);
            if (event != nullptr)
                handedOver[count++] = event;
        }
    }
    AwaitHandedOverSockets(handedOver, count);
}

int SlotIndexOfHandle(int handle)
{
    if (handle < 1 || handle > SocketSlotCount)
        return -1;
    SocketTableLock lock;
    if ((gSocketTable[handle - 1].slotFlags & SlotInUse) == 0)
        return -1;
    return handle - 1;
}

bool CopySlotOfHandle(int handle, SocketSlot* copy)
{
    if (handle < 1 || handle > SocketSlotCount)
        return false;
    SocketTableLock lock;
    const SocketSlot& slot = gSocketTable[handle - 1];
    if ((slot.slotFlags & SlotInUse) == 0)
        return false;
    *copy = slot;
    return true;
}

int CountSlotsInUse()
{
    return gSlotsInUse;
}
