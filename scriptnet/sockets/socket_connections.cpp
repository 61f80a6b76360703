// Making connections: tConnect, tListen and tAccept.
#include "sockets/slot_socket.h"
#include "sockets/slot_worker.h"
#include "sockets/socket_operations.h"
#include "sockets/socket_table.h"
#include "sockets/winsock_io.h"

namespace {

// tAccept's time-out is in milliseconds and bounds the wait for a
// connection; 0 (and any value below it) stands for 6000 ms.
const int DefaultAcceptTimeout = 6000;
const int AcceptBacklog = 1;

// Makes `connection` the socket of the slot whose listening socket `use`
// holds, unless the slot was released or its socket replaced meanwhile;
// false then, with the connection closed. The listening socket is released:
// `listenerClosed` gets the event of its close, which comes once this call
// and a worker serving the slot no longer use it.
bool ReplaceListeningSocket(const SlotSocketUse& use, SOCKET connection, HANDLE* listenerClosed)
{
    SocketTableLock lock;
    const SocketSlot& seen = use.Slot();
    SocketSlot& slot = gSocketTable[seen.slotIndex];
    SlotSocket* socket = nullptr;
    if (SlotHasGeneration(slot, seen.generation) && slot.socket == seen.socket)
        socket = AdoptSocket(connection);
    else
        CloseSocket(connection);
    if (socket == nullptr)
        return false;
    // This call still uses the listening socket: the release leaves its
    // close to the last of its users.
    *listenerClosed = ReleaseSocket(slot.socket);
    slot.socket = socket;
    slot.socketListens = false;
    // A worker serving the slot looks at it again and takes the connection.
    if (slot.worker != nullptr)
        WakeSlotWorker(slot.worker);
    return true;
}

// tAccept's work inside its use of the slot's socket.
bool AcceptReplacing(int handle, DWORD timeout, HANDLE* listenerClosed)
{
    SlotSocketUse use(handle);
    if (!use.Taken())
        return false;
    const SocketSlot& slot = use.Slot();
    if (ListenOnSocket(use.Handle(), AcceptBacklog) != 0)
        return false;
    NoteSocketListens(slot.slotIndex, slot.generation, slot.socket, true);
    // Overlapped, so that a release ends the wait as well as a connection.
    PooledIoEvent ioEvent;
    if (ioEvent.Get() == nullptr)
        return false;
    CancellableIo io = {ioEvent.Get(), use.ReleasedEvent()};
    SOCKET connection = INVALID_SOCKET;
    if (AcceptCancellable(io, use.Handle(), timeout, &connection) != 0)
        return false;
    return ReplaceListeningSocket(use, connection, listenerClosed);
}

}  // namespace

bool ConnectSlot(int handle, const char* host, unsigned short port)
{
    if (SlotIndexOfHandle(handle) < 0 || port == 0)
        return false;
    unsigned long address = 0;
    if (ResolveIpv4Host(host, &address) != 0)
        return false;
    SlotSocketUse use(handle);
    if (!use.Taken())
        return false;
    sockaddr_in peer = Ipv4Address(address, port);
    if (use.Slot().slotFlags & SlotDatagram)
        return ConnectSocket(use.Handle(), peer) == 0;
    // Overlapped, so that a release ends it: a connect to a host that does
    // not answer waits for minutes.
    PooledIoEvent ioEvent;
    if (ioEvent.Get() == nullptr)
        return false;
    CancellableIo io = {ioEvent.Get(), use.ReleasedEvent()};
    return ConnectCancellable(io, use.Handle(), peer) == 0;
}

bool ListenOnSlot(int handle)
{
    SlotSocketUse use(handle);
    if (!use.Taken())
        return false;
    int index = use.Slot().slotIndex;
    {
        SocketTableLock lock;
        SocketSlot& slot = gSocketTable[index];
        if (slot.socket != use.Slot().socket || slot.callbackName == nullptr)
            return false;
        if (slot.slotFlags & SlotListening)
            return true;
        slot.slotFlags |= SlotListening;
    }
    if (ListenOnSocket(use.Handle(), ListenBacklog) != 0)
        return false;
    NoteSocketListens(index, use.Slot().generation, use.Slot().socket, true);
    return true;
}

bool AcceptOnSlot(int handle, int timeout)
{
    if (timeout <= 0)
        timeout = DefaultAcceptTimeout;
    HANDLE listenerClosed = nullptr;
    bool accepted = AcceptReplacing(handle, static_cast<DWORD>(timeout), &listenerClosed);
    // Once this call no longer uses it, the listening socket is closed when
    // tAccept returns: the script may listen on its port again.
    AwaitSocketsClosed(&listenerClosed, listenerClosed != nullptr ? 1 : 0);
    return accepted;
}
