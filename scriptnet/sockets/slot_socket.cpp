#include "sockets/slot_socket.h"

#include <cstring>
#include <new>

#include "common/this_module.h"
#include "sockets/slot_worker.h"
#include "sockets/winsock_io.h"

namespace {

// How long a release waits in all for its sockets' last users: a woken user
// needs moments; only one held up elsewhere (waiting for the state's lock)
// takes longer, and its socket is then closed later, without the wait.
const DWORD ReleaseWaitLimit = 2000;

void CloseSlotSocketLocked(SlotSocket* socket)
{
    CloseSocket(socket->handle);
    if (socket->closedEvent != nullptr) {
        SetEvent(socket->closedEvent);
        CloseHandle(socket->closedEvent);
    }
    CloseOwnedHandle(socket->releasedEvent);
    delete socket->readAhead;
    delete socket;
}

// What a release took out of a slot: its socket given up, its worker woken.
HANDLE HandOverLocked(const ReleasedSlot& released)
{
    if (released.worker != nullptr)
        WakeWorkerLocked(released.worker);
    return released.socket != nullptr ? GiveUpSocketLocked(released.socket) : nullptr;
}

// Whether the slot is still (index, generation) and still holds the socket.
SocketSlot* SlotHoldingLocked(int index, unsigned generation, const SlotSocket* socket)
{
    if (index < 0 || index >= SocketSlotCount)
        return nullptr;
    SocketSlot& slot = gSocketTable[index];
    if (!SlotHasGenerationLocked(slot, generation) || slot.socket != socket)
        return nullptr;
    return &slot;
}

}  // namespace

SlotSocket* AdoptSocket(SOCKET handle)
{
    SlotSocket* socket = new (std::nothrow) SlotSocket();
    HANDLE releasedEvent = socket != nullptr ? CreateEventA(nullptr, TRUE, FALSE, nullptr) : nullptr;
    if (releasedEvent == nullptr) {
        delete socket;
        CloseSocket(handle);
        return nullptr;
    }
    socket->handle = handle;
    socket->releasedEvent = releasedEvent;
    return socket;
}

void BeginSocketUseLocked(SlotSocket* socket)
{
    ++socket->users;
}

void EndSocketUseLocked(SlotSocket* socket)
{
    if (--socket->users == 0 && socket->released)
        CloseSlotSocketLocked(socket);
}

HANDLE GiveUpSocketLocked(SlotSocket* socket)
{
    socket->released = true;
    if (socket->users == 0) {
        CloseSlotSocketLocked(socket);
        return nullptr;
    }
    ShutDownSocket(socket->handle);
    SetEvent(socket->releasedEvent);
    if (socket->closedEvent == nullptr)
        socket->closedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return socket->closedEvent != nullptr ? DuplicateOwnHandle(socket->closedEvent) : nullptr;
}

void DiscardSocketLocked(SlotSocket* socket)
{
    CloseOwnedHandle(GiveUpSocketLocked(socket));
}

void WakeSlotWorkerLocked(const SocketSlot& slot)
{
    if (slot.worker != nullptr)
        WakeWorkerLocked(slot.worker);
}

void ReleaseSlot(int index)
{
    if (index < 0 || index >= SocketSlotCount)
        return;
    HANDLE closed;
    {
        SocketTableLock lock;
        closed = HandOverLocked(ReleaseSlotLocked(gSocketTable[index]));
    }
    AwaitSocketsClosed(&closed, closed != nullptr ? 1 : 0);
}

void ReleaseAllSlots()
{
    HANDLE closed[SocketSlotCount];
    int count = 0;
    {
        SocketTableLock lock;
        for (SocketSlot& slot : gSocketTable) {
            HANDLE event = HandOverLocked(ReleaseSlotLocked(slot));
            if (event != nullptr)
                closed[count++] = event;
        }
    }
    AwaitSocketsClosed(closed, count);
}

bool ReleaseSlotOfGenerationLocked(int index, unsigned generation)
{
    if (index < 0 || index >= SocketSlotCount)
        return false;
    SocketSlot& slot = gSocketTable[index];
    if (!SlotHasGenerationLocked(slot, generation))
        return false;
    // The caller holds the lock, which the socket's users need to let go of
    // it: they are not waited for here.
    CloseOwnedHandle(HandOverLocked(ReleaseSlotLocked(slot)));
    return true;
}

HANDLE ReplaceSlotSocketLocked(SocketSlot& slot, SlotSocket* connection)
{
    HANDLE retiredClosed = GiveUpSocketLocked(slot.socket);
    slot.socket = connection;
    slot.socketListens = false;
    WakeSlotWorkerLocked(slot);
    return retiredClosed;
}

void NoteSocketListens(int index, unsigned generation, const SlotSocket* socket, bool wakeWorker)
{
    SocketTableLock lock;
    SocketSlot* slot = SlotHoldingLocked(index, generation, socket);
    if (slot == nullptr)
        return;
    slot->socketListens = true;
    if (wakeWorker)
        WakeSlotWorkerLocked(*slot);
}

void WakeWorkerOfSocket(int index, unsigned generation, const SlotSocket* socket)
{
    SocketTableLock lock;
    SocketSlot* slot = SlotHoldingLocked(index, generation, socket);
    if (slot != nullptr)
        WakeSlotWorkerLocked(*slot);
}

void AwaitSocketsClosed(HANDLE* closedEvents, int count)
{
    DWORD start = GetTickCount();
    for (int i = 0; i < count; ++i) {
        DWORD spent = GetTickCount() - start;
        WaitForSingleObject(closedEvents[i], spent < ReleaseWaitLimit ? ReleaseWaitLimit - spent : 0);
        CloseHandle(closedEvents[i]);
    }
}

SlotSocketUse::SlotSocketUse(int handle, HANDLE* dataEventCopy)
{
    std::memset(&slot_, 0, sizeof slot_);
    if (dataEventCopy != nullptr)
        *dataEventCopy = nullptr;
    SocketTableLock lock;
    const SocketSlot* slot = SlotOfHandleLocked(handle);
    if (slot == nullptr || slot->socket == nullptr)
        return;
    slot_ = *slot;
    BeginSocketUseLocked(slot_.socket);
    if (dataEventCopy != nullptr && slot->dataEvent != nullptr)
        *dataEventCopy = DuplicateOwnHandle(slot->dataEvent);
}

SlotSocketUse::~SlotSocketUse()
{
    if (slot_.socket == nullptr)
        return;
    SocketTableLock lock;
    EndSocketUseLocked(slot_.socket);
}
