// tConnect, tListen and tAccept: making connections.
#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "../host/script_arguments.h"
#include "../host/script_functions.h"
#include "socket_table.h"

namespace {

// tAccept's time-out is in milliseconds and bounds the wait for a
// connection; 0 (and any value below it) stands for 6000 ms.
const int kDefaultAcceptTimeout = 6000;
const int kAcceptBacklog = 1;
// As the worker's: a burst of clients must not be reset before it accepts.
const int kListenBacklog = SOMAXCONN;

sockaddr_in Ipv4Address(unsigned long networkAddress, unsigned short port)
{
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = networkAddress;
    return address;
}

// A dotted IPv4 address converts without a lookup; anything else is looked
// up as a host name. False when neither gives an address.
bool ResolveHost(const char* host, unsigned long* networkAddress)
{
    unsigned long address = inet_addr(host);
    if (address != INADDR_NONE) {
        *networkAddress = address;
        return true;
    }
    hostent* entry = gethostbyname(host);
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_addr_list == nullptr ||
        entry->h_addr_list[0] == nullptr) {
        return false;
    }
    std::memcpy(networkAddress, entry->h_addr_list[0], sizeof *networkAddress);
    return true;
}

}  // namespace

int tConnect(LuaState* state, LuaStackObject* args)
{
    int index = SlotIndexOfHandle(args[1]);
    const char* host = TextArgument(args[2]);
    if (index < 0 || host == nullptr || !args[3].IsNumber())
        return NumberResult(state, 0);
    unsigned short port = PortArgument(args[3]);
    if (port == 0)
        return NumberResult(state, 0);

    unsigned long address = 0;
    if (!ResolveHost(host, &address))
        return NumberResult(state, 0);
    SocketSlot slot;
    if (!CopySlot(index, &slot))
        return NumberResult(state, 0);
    sockaddr_in peer = Ipv4Address(address, port);
    int result = connect(slot.socketHandle, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
    return NumberResult(state, result >= 0 ? 1 : 0);
}

int tListen(LuaState* state, LuaStackObject* args)
{
    int index = SlotIndexOfHandle(args[1]);
    if (index < 0)
        return NumberResult(state, 0);
    SOCKET socketHandle;
    {
        SocketTableLock lock;
        SocketSlot& slot = SocketTable[index];
        if (slot.slotFlags == 0 || slot.callbackName == nullptr)
            return NumberResult(state, 0);
        if (slot.slotFlags & SlotListening)
            return NumberResult(state, 1);
        slot.slotFlags |= SlotListening;
        socketHandle = slot.socketHandle;
    }
    return NumberResult(state, listen(socketHandle, kListenBacklog) == 0 ? 1 : 0);
}

int tAccept(LuaState* state, LuaStackObject* args)
{
    int index = SlotIndexOfHandle(args[1]);
    if (index < 0 || !args[2].IsNumber())
        return NumberResult(state, 0);
    int timeout = args[2].GetInteger();
    if (timeout <= 0)
        timeout = kDefaultAcceptTimeout;

    SocketSlot slot;
    if (!CopySlot(index, &slot))
        return NumberResult(state, 0);
    SOCKET listener = slot.socketHandle;
    if (listen(listener, kAcceptBacklog) != 0)
        return NumberResult(state, 0);

    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval limit;
    limit.tv_sec = timeout / 1000;
    limit.tv_usec = (timeout % 1000) * 1000;
    if (select(0, &readable, nullptr, nullptr, &limit) <= 0)
        return NumberResult(state, 0);

    sockaddr_in peer;
    int peerLength = sizeof peer;
    SOCKET connection = accept(listener, reinterpret_cast<sockaddr*>(&peer), &peerLength);
    if (connection == INVALID_SOCKET)
        return NumberResult(state, 0);

    // The handle now names the connection, unless the slot was released (and
    // perhaps taken again) while we waited.
    {
        SocketTableLock lock;
        SocketSlot& current = SocketTable[index];
        if (current.generation == slot.generation && current.slotFlags != 0) {
            // A worker serving the slot may be using the old socket right now.
            if (current.worker != nullptr) {
                RetireServedSocket(current.worker, current.socketHandle);
            } else {
                closesocket(current.socketHandle);
            }
            current.socketHandle = connection;
            return NumberResult(state, 1);
        }
    }
    closesocket(connection);
    return NumberResult(state, 0);
}
