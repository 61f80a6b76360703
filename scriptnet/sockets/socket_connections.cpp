// Making connections: tConnect, tListen and tAccept.
#include "common/kept_quirks.h"
#include "sockets/slot_socket.h"
#include "sockets/socket_operations.h"
#include "sockets/socket_table.h"
#include "sockets/winsock_io.h"

namespace {

// Makes `connection` the socket of the slot whose listening socket `use`
// holds, unless the slot was released or its socket replaced meanwhile;
// false then, with the connection closed. The listening socket is retired:
// `listenerClosed` gets the event of its close, which comes once this call
// and a worker serving the slot no longer use it.
bool ReplaceListeningSocket(const SlotSocketUse& use, SOCKET connection, HANDLE* listenerClosed)
{
    SlotSocket* socket = AdoptSocket(connection);
    if (socket == nullptr)
        return false;
    SocketTableLock lock;
    const SocketSlot& seen = use.Slot();
    SocketSlot& slot = gSocketTable[seen.slotIndex];
    if (!SlotHasGenerationLocked(slot, seen.generation) || slot.socket != seen.socket) {
        DiscardSocketLocked(socket);
        return false;
    }
    *listenerClosed = ReplaceSlotSocketLocked(slot, socket);
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
    const SocketSlot& slot = use.Slot();
    if (slot.slotFlags & SlotDatagram)
        return ConnectSocket(use.Handle(), peer) == 0;
    // Overlapped, so that a release ends it: a connect to a host that does
    // not answer waits for minutes.
    PooledIoEvent ioEvent;
    if (ioEvent.Get() == nullptr)
        return false;
    CancellableIo io = {ioEvent.Get(), use.ReleasedEvent()};
    if (ConnectCancellable(io, use.Handle(), peer) != 0)
        return false;
    // A worker serving the slot has waited for this to receive.
    WakeWorkerOfSocket(slot.slotIndex, slot.generation, slot.socket);
    return true;
}

bool ListenOnSlot(int handle)
{
    SlotSocketUse use(handle);
    if (!use.Taken())
        return false;
    const SocketSlot& seen = use.Slot();
    {
        SocketTableLock lock;
        SocketSlot& slot = gSocketTable[seen.slotIndex];
        if (slot.socket != seen.socket || slot.worker == nullptr)
            return false;
        if (slot.slotFlags & SlotListening)
            return RepeatedListenSucceeds;
        slot.slotFlags |= SlotListening;
    }
    if (ListenOnSocket(use.Handle(), ListenBacklog) != 0) {
        // A worker waiting for a connection to be made finds the failure in
        // its own listen and ends with it; one receiving on a connection
        // finds it when text comes.
        if (!SocketHasPeer(use.Handle()))
            WakeWorkerOfSocket(seen.slotIndex, seen.generation, seen.socket);
        return false;
    }
    NoteSocketListens(seen.slotIndex, seen.generation, seen.socket, true);
    return true;
}

bool AcceptOnSlot(int handle, int timeout)
{
    DWORD limit = timeout <= 0 ? DefaultAcceptMilliseconds : static_cast<DWORD>(timeout);
    HANDLE listenerClosed = nullptr;
    bool accepted = AcceptReplacing(handle, limit, &listenerClosed);
    // Once this call no longer uses it, the listening socket is closed when
    // tAccept returns: the script may listen on its port again.
    AwaitSocketsClosed(&listenerClosed, listenerClosed != nullptr ? 1 : 0);
    return accepted;
}
