// Moving text over a slot's socket: tWait, tRecv, tSend and tSendTo.
#include "common/this_module.h"
#include "sockets/slot_worker.h"
#include "sockets/socket_operations.h"
#include "sockets/socket_table.h"
#include "sockets/winsock_io.h"

namespace {

const DWORD DefaultWaitTime = 3600000;  // one hour, for a time-out of 0

// The slot's event, duplicated under the lock so that a release by another
// thread cannot close it under our wait. Null when the slot has none.
HANDLE DuplicateDataEvent(int handle)
{
    int index = SlotIndexOfHandle(handle);
    if (index < 0)
        return nullptr;
    SocketTableLock lock;
    const SocketSlot& slot = gSocketTable[index];
    if (slot.slotFlags == 0 || slot.dataEvent == nullptr)
        return nullptr;
    return DuplicateOwnHandle(slot.dataEvent);
}

}  // namespace

bool WaitOnSlot(int handle, int timeout)
{
    // 0 stands for an hour; so does a negative value, which as a wait length
    // would mean about 49 days or forever.
    DWORD limit = timeout <= 0 ? DefaultWaitTime : static_cast<DWORD>(timeout);
    HANDLE dataEvent = DuplicateDataEvent(handle);
    if (dataEvent == nullptr)
        return false;
    // Unloading ends the wait too (as a time-out): the module is going away.
    HANDLE waits[2] = {dataEvent, WorkersStoppingEvent()};
    DWORD count = waits[1] != nullptr ? 2 : 1;
    bool arrived = WaitForMultipleObjects(count, waits, FALSE, limit) == WAIT_OBJECT_0;
    if (arrived)
        ResetEvent(dataEvent);
    CloseHandle(dataEvent);
    return arrived;
}

int ReceiveOnSlot(int handle, int size, char* buffer)
{
    if (size < 0)
        return 0;
    if (size == 0 || size > ReceiveBufferSize)
        size = ReceiveBufferSize;
    SocketSlot slot;
    if (!CopySlotOfHandle(handle, &slot))
        return 0;
    bool datagram = (slot.slotFlags & SlotDatagram) != 0;
    if (!datagram && slot.socketListens)
        return 0;
    int count = 0;
    if (ReceiveRetrying(slot.socketHandle, datagram, buffer, size, &count) != 0)
        return 0;
    buffer[count] = '\0';
    return count;
}

int SendOnSlot(int handle, const char* data, int length)
{
    SocketSlot slot;
    if (length == 0 || !CopySlotOfHandle(handle, &slot) || (slot.slotFlags & SlotDatagram) || slot.socketListens)
        return 0;
    int sent = 0;
    // Unloading ends a send that waits for the peer.
    if (SendWhileConnected(slot.socketHandle, data, length, WorkersStoppingEvent(), &sent) != 0)
        return 0;
    return sent;
}

int SendToFromSlot(int handle, const char* data, int length, const char* address, unsigned short port)
{
    SocketSlot slot;
    if (port == 0 || length == 0 || !CopySlotOfHandle(handle, &slot) || !(slot.slotFlags & SlotDatagram))
        return 0;
    // No host-name lookup here: text that is no dotted address becomes the
    // all-ones address 255.255.255.255.
    sockaddr_in destination = Ipv4Address(DottedIpv4Address(address), port);
    int sent = 0;
    int lastFailure = 0;
    int error = SendToRetrying(slot.socketHandle, data, length, destination, &sent, &lastFailure);
    if (lastFailure != 0)
        SetSlotErrorOfGeneration(slot.slotIndex, slot.generation, lastFailure);
    return error == 0 ? sent : 0;
}
