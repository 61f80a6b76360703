#include "socket_table.h"

#include <LuaPlus/LuaPlus.h>

#include <cstdlib>
#include <cstring>

SocketSlot SocketTable[kSocketSlotCount];

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
HANDLE ReleaseSlotLocked(SocketSlot& slot)
{
    if (slot.slotFlags == 0)
        return nullptr;
    HANDLE handedOver = nullptr;
    if (slot.worker != nullptr) {
        handedOver = HandOverServedSocket(slot.worker, slot.socketHandle);
    } else {
        closesocket(slot.socketHandle);
    }
    slot.socketHandle = 0;
    std::free(slot.callbackName);
    if (slot.dataEvent != nullptr && slot.dataEvent != INVALID_HANDLE_VALUE)
        CloseHandle(slot.dataEvent);
    slot.dataEvent = nullptr;
    slot.callbackName = nullptr;
    slot.slotFlags = 0;
    slot.lastError = 0;
    if (slot.workerThread != nullptr && slot.workerThread != INVALID_HANDLE_VALUE) {
        CloseHandle(slot.workerThread);
    }
    slot.workerThread = nullptr;
    ZeroSlot(slot);
    ++slot.generation;
    return handedOver;
}

}  // namespace

void LockSocketTable()
{
    EnterCriticalSection(&Guard().section);
}

void UnlockSocketTable()
{
    LeaveCriticalSection(&Guard().section);
}

int FindFreeSlot()
{
    for (int i = 0; i < kSocketSlotCount; ++i) {
        if (SocketTable[i].slotFlags == 0)
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
    SocketSlot& slot = SocketTable[index];
    ZeroSlot(slot);
    slot.slotFlags = flags | SlotInUse;
    slot.slotIndex = index;
    slot.scriptState = scriptState;
    if (generation != nullptr)
        *generation = slot.generation;
    return index;
}

void ReleaseSlot(int index)
{
    if (index < 0 || index >= kSocketSlotCount)
        return;
    HANDLE handedOver;
    {
        SocketTableLock lock;
        handedOver = ReleaseSlotLocked(SocketTable[index]);
    }
    AwaitHandedOverSockets(&handedOver, handedOver != nullptr ? 1 : 0);
}

bool ReleaseSlotOfGeneration(int index, unsigned generation)
{
    if (index < 0 || index >= kSocketSlotCount)
        return false;
    SocketTableLock lock;
    SocketSlot& slot = SocketTable[index];
    if (slot.generation != generation || slot.slotFlags == 0)
        return false;
    // The caller may hold the lock, which the worker needs to let go of
    // the socket: it is not waited for here.
    HANDLE handedOver = ReleaseSlotLocked(slot);
    if (handedOver != nullptr)
        CloseHandle(handedOver);
    return true;
}

bool SetSlotErrorOfGeneration(int index, unsigned generation, int error)
{
    if (index < 0 || index >= kSocketSlotCount)
        return false;
    SocketTableLock lock;
    SocketSlot& slot = SocketTable[index];
    if (slot.generation != generation || slot.slotFlags == 0)
        return false;
    slot.lastError = error;
    return true;
}

void ReleaseAllSlots()
{
    HANDLE handedOver[kSocketSlotCount];
    int count = 0;
    {
        SocketTableLock lock;
        for (SocketSlot& slot : SocketTable) {
            HANDLE event = ReleaseSlotLocked(slot);
            if (event != nullptr)
                handedOver[count++] = event;
        }
    }
    AwaitHandedOverSockets(handedOver, count);
}

int SlotIndexOfHandle(const LuaPlus::LuaStackObject& argument)
{
    if (!argument.IsNumber())
        return -1;
    int handle = argument.GetInteger();
    if (handle < 1 || handle > kSocketSlotCount)
        return -1;
    SocketTableLock lock;
    if ((SocketTable[handle - 1].slotFlags & SlotInUse) == 0)
        return -1;
    return handle - 1;
}

bool CopySlot(int index, SocketSlot* copy)
{
    if (index < 0 || index >= kSocketSlotCount)
        return false;
    SocketTableLock lock;
    if (SocketTable[index].slotFlags == 0)
        return false;
    *copy = SocketTable[index];
    return true;
}

int CountSlotsInUse()
{
    SocketTableLock lock;
    int count = 0;
    for (const SocketSlot& slot : SocketTable) {
        if (slot.slotFlags & SlotInUse)
            ++count;
    }
    return count;
}
