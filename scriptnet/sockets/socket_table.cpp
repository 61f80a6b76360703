#include "sockets/socket_table.h"

#include <cstdlib>
#include <cstring>

#include "common/this_module.h"
#include "sockets/registered_universes.h"
#include "sockets/slot_socket.h"
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

// The slots in use, kept beside the table so that tGetCount, which scripts
// call in their loops, needs neither the lock nor a walk over the table.
// Written only with the lock held; a read of the aligned word sees the count
// of one moment, as a count taken under the lock would.
volatile LONG gSlotsInUse = 0;

// The release steps, lock held. Answers the event set once the slot's
// socket is closed, when users still hold it (see ReleaseSocket), or null.
HANDLE ReleaseSlotLocked(SocketSlot& slot)
{
    if (slot.slotFlags == 0)
        return nullptr;
    --gSlotsInUse;
    HANDLE closed = slot.socket != nullptr ? ReleaseSocket(slot.socket) : nullptr;
    // The worker looks at its slot again and finds it released.
    if (slot.worker != nullptr)
        WakeSlotWorker(slot.worker);
    std::free(slot.callbackName);
    CloseOwnedHandle(slot.dataEvent);
    CloseOwnedHandle(slot.workerThread);
    ZeroSlot(slot);
    ++slot.generation;
    return closed;
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
    if (!UniverseIsRegistered(scriptState))
        return -1;
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
    HANDLE closed;
    {
        SocketTableLock lock;
        closed = ReleaseSlotLocked(gSocketTable[index]);
    }
    AwaitSocketsClosed(&closed, closed != nullptr ? 1 : 0);
}

bool ReleaseSlotOfGeneration(int index, unsigned generation)
{
    if (index < 0 || index >= SocketSlotCount)
        return false;
    SocketTableLock lock;
    SocketSlot& slot = gSocketTable[index];
    if (!SlotHasGeneration(slot, generation))
        return false;
    // The caller may hold the lock, which the socket's users need to let go
    // of it: they are not waited for here.
    CloseOwnedHandle(ReleaseSlotLocked(slot));
    return true;
}

void NoteSocketListens(int index, unsigned generation, const SlotSocket* socket, bool wakeWorker)
{
    if (index < 0 || index >= SocketSlotCount)
        return;
    SocketTableLock lock;
    SocketSlot& slot = gSocketTable[index];
    if (!SlotHasGeneration(slot, generation) || slot.socket != socket)
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
    HANDLE closed[SocketSlotCount];
    int count = 0;
    {
        SocketTableLock lock;
        for (SocketSlot& slot : gSocketTable) {
            HANDLE event = ReleaseSlotLocked(slot);
            if (event != nullptr)
                closed[count++] = event;
        }
    }
    AwaitSocketsClosed(closed, count);
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

SlotSocketUse::SlotSocketUse(int handle, HANDLE* dataEventCopy)
{
    std::memset(&slot_, 0, sizeof slot_);
    if (dataEventCopy != nullptr)
        *dataEventCopy = nullptr;
    if (handle < 1 || handle > SocketSlotCount)
        return;
    SocketTableLock lock;
    const SocketSlot& slot = gSocketTable[handle - 1];
    if ((slot.slotFlags & SlotInUse) == 0 || slot.socket == nullptr)
        return;
    slot_ = slot;
    BeginSocketUse(slot_.socket);
    if (dataEventCopy != nullptr && slot.dataEvent != nullptr)
        *dataEventCopy = DuplicateOwnHandle(slot.dataEvent);
}

SlotSocketUse::~SlotSocketUse()
{
    if (slot_.socket == nullptr)
        return;
    SocketTableLock lock;
    EndSocketUse(slot_.socket);
}

SOCKET SlotSocketUse::Handle() const
{
    return slot_.socket->handle;
}

HANDLE SlotSocketUse::ReleasedEvent() const
{
    return slot_.socket->releasedEvent;
}

int CountSlotsInUse()
{
    return gSlotsInUse;
}
