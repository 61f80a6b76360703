// Moving text over a slot's socket: tWait, tRecv, tSend and tSendTo. Each
// makes its calls inside a use of the slot's socket, and every wait of
// theirs ends when the slot lets go of it (tClose, tClean, unloading).
#include "common/kept_quirks.h"
#include "sockets/slot_socket.h"
#include "sockets/socket_operations.h"
#include "sockets/socket_table.h"
#include "sockets/stream_receive.h"
#include "sockets/winsock_io.h"

bool WaitOnSlot(int handle, int timeout)
{
    // A negative value, which as a wait length would mean weeks or for ever,
    // stands for an hour as 0 does.
    DWORD limit = timeout <= 0 ? OneHourMilliseconds : static_cast<DWORD>(timeout);
    // The event is duplicated in the look that takes the use, so that a
    // release by another thread cannot close it under the wait.
    HANDLE dataEvent = nullptr;
    SlotSocketUse use(handle, &dataEvent);
    if (dataEvent == nullptr)
        return false;
    // A release ends the wait as a time-out does.
    HANDLE waits[2] = {dataEvent, use.ReleasedEvent()};
    bool arrived = WaitForMultipleObjects(2, waits, FALSE, limit) == WAIT_OBJECT_0;
    if (arrived)
        ResetEvent(dataEvent);
    CloseHandle(dataEvent);
    return arrived;
}

int ReceiveOnSlot(int handle, int size, char* buffer)
{
    if (size < 0)
        return 0;
    if (size == 0 || size > LargestReceive)
        size = LargestReceive;
    SlotSocketUse use(handle);
    if (!use.Taken())
        return 0;
    bool datagram = (use.Slot().slotFlags & SlotDatagram) != 0;
    if (!datagram && use.Slot().socketListens)
        return 0;
    // Overlapped, so that a release ends it: under this socket layer neither
    // a shutdown nor anything short of a close ends a blocking receive. On a
    // datagram socket it takes one datagram, the sender not kept; on a
    // stream socket bytes kept from an earlier receive come first.
    PooledIoEvent ioEvent;
    if (ioEvent.Get() == nullptr)
        return 0;
    CancellableIo io = {ioEvent.Get(), use.ReleasedEvent()};
    int count = 0;
    int error;
    for (;;) {
        error = datagram ? ReceiveCancellable(io, use.Handle(), buffer, size, INFINITE, &count)
                         : ReceiveFromStream(use.Socket(), io, buffer, size, INFINITE, &count);
        if (error != WSAEWOULDBLOCK)
            break;
        PauseAfterWouldBlock();
    }
    if (error != 0)
        return 0;
    buffer[count] = '\0';
    return count;
}

int SendOnSlot(int handle, const char* data, int length)
{
    if (length == 0)
        return 0;
    SlotSocketUse use(handle);
    if (!use.Taken() || (use.Slot().slotFlags & SlotDatagram) || use.Slot().socketListens)
        return 0;
    PooledIoEvent ioEvent;
    if (ioEvent.Get() == nullptr)
        return 0;
    // A release cancels a send that waits for the peer: 0 then.
    CancellableIo io = {ioEvent.Get(), use.ReleasedEvent()};
    int sent = 0;
    if (SendWhileConnected(io, use.Handle(), data, length, &sent) != 0)
        return 0;
    return sent;
}

int SendToFromSlot(int handle, const char* data, int length, const char* address, unsigned short port)
{
    if (port == 0 || length == 0)
        return 0;
    SlotSocketUse use(handle);
    if (!use.Taken() || !(use.Slot().slotFlags & SlotDatagram))
        return 0;
    // No host-name lookup here: text that is no dotted address becomes the
    // all-ones address 255.255.255.255.
    sockaddr_in destination = Ipv4Address(DottedIpv4Address(address), port);
    int sent = 0;
    int lastFailure = 0;
    int error = SendToRetrying(use.Handle(), data, length, destination, &sent, &lastFailure);
    if (lastFailure != 0)
        SetSlotErrorOfGeneration(use.Slot().slotIndex, use.Slot().generation, lastFailure);
    return error == 0 ? sent : 0;
}
