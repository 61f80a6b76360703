// Making connections: tConnect, tListen and tAccept.
#include "sockets/socket_operations.h"
#include "sockets/socket_table.h"
#include "sockets/winsock_io.h"

namespace {

// tAccept's time-out is in milliseconds and bounds the wait for a
// connection; 0 (and any value below it) stands for 6000 ms.
const int DefaultAcceptTimeout = 6000;
const int AcceptBacklog = 1;

}  // namespace

bool ConnectSlot(int handle, const char* host, unsigned short port)
{
    if (SlotIndexOfHandle(handle) < 0 || port == 0)
        return false;
    unsigned long address = 0;
    if (ResolveIpv4Host(host, &address) != 0)
        return false;
    SocketSlot slot;
    if (!CopySlotOfHandle(handle, &slot))
        return false;
    return ConnectSocket(slot.socketHandle, Ipv4Address(address, port)) == 0;
}

bool ListenOnSlot(int handle)
{
    int index = SlotIndexOfHandle(handle);
    if (index < 0)
        return false;
    SOCKET socketHandle;
    unsigned generation;
    {
        SocketTableLock lock;
        SocketSlot& slot = gSocketTable[index];
        if (slot.slotFlags == 0 || slot.callbackName == nullptr)
            return false;
        if (slot.slotFlags & SlotListening)
            return true;
        slot.slotFlags |= SlotListening;
        socketHandle = slot.socketHandle;
        generation = slot.generation;
    }
    if (ListenOnSocket(socketHandle, ListenBacklog) != 0)
        return false;
    NoteSocketListens(index, generation, socketHandle, true);
    return true;
}

bool AcceptOnSlot(int handle, int timeout)
{
    if (timeout <= 0)
        timeout = DefaultAcceptTimeout;
    SocketSlot slot;
    if (!CopySlotOfHandle(handle, &slot))
        return false;
    SOCKET listener = slot.socketHandle;
    SOCKET connection = INVALID_SOCKET;
    if (ListenOnSocket(listener, AcceptBacklog) != 0)
        return false;
    NoteSocketListens(slot.slotIndex, slot.generation, listener, true);
    if (AcceptWithin(listener, timeout, &connection) != 0)
        return false;

    // The handle now names the connection, unless the slot was released (and
    // perhaps taken again) while we waited.
    {
        SocketTableLock lock;
        SocketSlot& current = gSocketTable[slot.slotIndex];
        if (SlotHasGeneration(current, slot.generation)) {
            // A worker serving the slot may be using the old socket right now.
            if (current.worker != nullptr) {
                RetireServedSocket(current.worker, current.socketHandle);
            } else {
                CloseSocket(current.socketHandle);
            }
            current.socketHandle = connection;
            current.socketListens = false;
            return true;
        }
    }
    CloseSocket(connection);
    return false;
}
