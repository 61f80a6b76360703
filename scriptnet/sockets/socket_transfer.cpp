// tWait, tRecv, tSend and tSendTo: moving text over a slot's socket.
#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "../host/script_arguments.h"
#include "../host/script_functions.h"
#include "slot_worker.h"
#include "socket_table.h"

namespace {

const int kReceiveBufferSize = 1024;
const DWORD kDefaultWaitTime = 3600000;  // one hour, for a time-out of 0
const DWORD kWouldBlockPause = 10;

// The slot's event, duplicated under the lock so that a release by another
// thread cannot close it under our wait. Null when the slot has none.
HANDLE DuplicateDataEvent(int index)
{
    SocketTableLock lock;
    const SocketSlot& slot = SocketTable[index];
    if (slot.slotFlags == 0 || slot.dataEvent == nullptr)
        return nullptr;
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), slot.dataEvent, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        return nullptr;
    }
    return copy;
}

// A listening stream socket has no peer to receive from or send to; Windows
// fails such calls at once, while Wine's send blocks for good. Fail them here.
bool IsListening(SOCKET socket)
{
    BOOL listening = FALSE;
    int length = sizeof listening;
    return getsockopt(socket, SOL_SOCKET, SO_ACCEPTCONN, reinterpret_cast<char*>(&listening), &length) == 0 &&
        listening;
}

// How often a send that waits for the peer looks whether the connection
// still exists. Only a dead connection ends the wait, never slowness.
const DWORD kSendCheckInterval = 100;

// Whether a connection has ended under a pending send: a reset or another
// error is pending, or the socket no longer has a peer.
bool ConnectionFailed(SOCKET socket)
{
    int error = 0;
    int length = sizeof error;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 || error != 0)
        return true;
    sockaddr_in peer;
    int peerLength = sizeof peer;
    return getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0;
}

// One send of the whole text. A blocking send of more than the socket's
// buffers hold can wait for good on a connection the peer has closed (some
// socket layers never complete it), so the send is overlapped: it waits as
// long as the peer takes the bytes, and ends when the connection fails or
// the module unloads. Answers the count sent, or -1 with the Winsock error.
int SendWhileConnected(SOCKET socket, const char* text, int length, int* error)
{
    WSAOVERLAPPED overlapped;
    std::memset(&overlapped, 0, sizeof overlapped);
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) {
        *error = static_cast<int>(GetLastError());
        return -1;
    }
    WSABUF piece;
    piece.len = static_cast<u_long>(length);
    piece.buf = const_cast<char*>(text);
    DWORD count = 0;
    int result = -1;
    if (WSASend(socket, &piece, 1, &count, 0, &overlapped, nullptr) == 0) {
        result = static_cast<int>(count);
    } else if ((*error = WSAGetLastError()) == WSA_IO_PENDING) {
        HANDLE waits[2] = {overlapped.hEvent, WorkersStoppingEvent()};
        DWORD waitCount = waits[1] != nullptr ? 2 : 1;
        for (;;) {
            DWORD waited = WaitForMultipleObjects(waitCount, waits, FALSE, kSendCheckInterval);
            if (waited == WAIT_OBJECT_0)
                break;
            if (waited != WAIT_TIMEOUT || ConnectionFailed(socket)) {
                CancelIo(reinterpret_cast<HANDLE>(socket));
                break;
            }
        }
        // Waits for the end of the call, cancelled or not: it reads the
        // text until then.
        DWORD flags = 0;
        if (WSAGetOverlappedResult(socket, &overlapped, &count, TRUE, &flags)) {
            result = static_cast<int>(count);
        } else {
            *error = WSAGetLastError();
        }
    }
    CloseHandle(overlapped.hEvent);
    return result;
}

}  // namespace

int tWait(LuaState* state, LuaStackObject* args)
{
    int index = SlotIndexOfHandle(args[1]);
    if (index < 0 || !args[2].IsNumber())
        return NumberResult(state, 0);
    int timeout = args[2].GetInteger();
    // 0 stands for an hour; so does a negative value, which as a wait length
    // would mean about 49 days or forever.
    DWORD limit = timeout <= 0 ? kDefaultWaitTime : static_cast<DWORD>(timeout);

    HANDLE dataEvent = DuplicateDataEvent(index);
    if (dataEvent == nullptr)
        return NumberResult(state, 0);
    // Unloading ends the wait too (as a time-out): the module is going away.
    HANDLE waits[2] = {dataEvent, WorkersStoppingEvent()};
    DWORD count = waits[1] != nullptr ? 2 : 1;
    bool arrived = WaitForMultipleObjects(count, waits, FALSE, limit) == WAIT_OBJECT_0;
    if (arrived)
        ResetEvent(dataEvent);
    CloseHandle(dataEvent);
    return NumberResult(state, arrived ? 1 : 0);
}

int tRecv(LuaState* state, LuaStackObject* args)
{
    int index = SlotIndexOfHandle(args[1]);
    if (index < 0 || !args[2].IsNumber())
        return TextResult(state, "");
    int size = args[2].GetInteger();
    if (size < 0)
        return TextResult(state, "");
    if (size == 0 || size > kReceiveBufferSize)
        size = kReceiveBufferSize;

    SocketSlot slot;
    if (!CopySlot(index, &slot))
        return TextResult(state, "");
    if (!(slot.slotFlags & SlotDatagram) && IsListening(slot.socketHandle))
        return TextResult(state, "");
    char buffer[kReceiveBufferSize + 1];
    for (;;) {
        int count;
        if (slot.slotFlags & SlotDatagram) {
            sockaddr_in sender;
            int senderLength = sizeof sender;
            count = recvfrom(slot.socketHandle, buffer, size, 0, reinterpret_cast<sockaddr*>(&sender), &senderLength);
        } else {
            count = recv(slot.socketHandle, buffer, size, 0);
        }
        if (count > 0) {
            buffer[count] = '\0';
            return TextResult(state, buffer);  // the text ends at its first zero byte
        }
        if (count == 0)
            return TextResult(state, "");
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            return TextResult(state, "");
        Sleep(kWouldBlockPause);
    }
}

int tSend(LuaState* state, LuaStackObject* args)
{
    int index = SlotIndexOfHandle(args[1]);
    const char* text = TextArgument(args[2]);
    if (index < 0 || text == nullptr)
        return NumberResult(state, 0);
    int length = static_cast<int>(std::strlen(text));
    SocketSlot slot;
    if (length == 0 || !CopySlot(index, &slot) || (slot.slotFlags & SlotDatagram) || IsListening(slot.socketHandle)) {
        return NumberResult(state, 0);
    }
    for (;;) {
        int error = 0;
        int sent = SendWhileConnected(slot.socketHandle, text, length, &error);
        if (sent > 0)
            return NumberResult(state, sent);
        if (sent == 0)
            return NumberResult(state, 0);
        if (error != WSAEWOULDBLOCK)
            return NumberResult(state, 0);
        Sleep(kWouldBlockPause);
    }
}

int tSendTo(LuaState* state, LuaStackObject* args)
{
    int index = SlotIndexOfHandle(args[1]);
    const char* data = TextArgument(args[2]);
    const char* address = TextArgument(args[3]);
    if (index < 0 || data == nullptr || address == nullptr || !args[4].IsNumber()) {
        return NumberResult(state, 0);
    }
    unsigned short port = PortArgument(args[4]);
    int length = static_cast<int>(std::strlen(data));
    SocketSlot slot;
    if (port == 0 || length == 0 || !CopySlot(index, &slot) || !(slot.slotFlags & SlotDatagram)) {
        return NumberResult(state, 0);
    }
    // No host-name lookup here: text that is no dotted address becomes the
    // all-ones address 255.255.255.255.
    sockaddr_in destination;
    std::memset(&destination, 0, sizeof destination);
    destination.sin_family = AF_INET;
    destination.sin_port = htons(port);
    destination.sin_addr.s_addr = inet_addr(address);
    for (;;) {
        int sent =
            sendto(slot.socketHandle, data, length, 0, reinterpret_cast<sockaddr*>(&destination), sizeof destination);
        if (sent > 0)
            return NumberResult(state, sent);
        if (sent == 0)
            return NumberResult(state, 0);
        int error = WSAGetLastError();
        SetSlotErrorOfGeneration(index, slot.generation, error);
        if (error != WSAEWOULDBLOCK)
            return NumberResult(state, 0);
        Sleep(kWouldBlockPause);
    }
}
