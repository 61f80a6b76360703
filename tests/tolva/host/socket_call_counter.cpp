#include "socket_call_counter.h"

#include <winsock2.h>

#include <atomic>

#include "pe_image.h"

namespace {

typedef hostent*(WSAAPI* GethostbynameFunction)(const char* name);
typedef int(WSAAPI* ConnectFunction)(SOCKET socket, const sockaddr* address, int length);
typedef int(WSAAPI* SelectFunction)(int count, fd_set* readable, fd_set* writable, fd_set* failed,
                                    const timeval* limit);
typedef int(WSAAPI* WsaRecvFunction)(SOCKET socket, WSABUF* buffers, DWORD count, DWORD* received, DWORD* flags,
                                     WSAOVERLAPPED* overlapped, LPWSAOVERLAPPED_COMPLETION_ROUTINE routine);

GethostbynameFunction realGethostbyname = nullptr;
ConnectFunction realConnect = nullptr;
SelectFunction realSelect = nullptr;
WsaRecvFunction realWsaRecv = nullptr;
std::atomic<int> lookups(0);
std::atomic<int> connects(0);
std::atomic<int> selects(0);
std::atomic<int> overlappedReceives(0);

hostent* WSAAPI CountingGethostbyname(const char* name)
{
    ++lookups;
    return realGethostbyname(name);
}

int WSAAPI CountingConnect(SOCKET socket, const sockaddr* address, int length)
{
    ++connects;
    return realConnect(socket, address, length);
}

int WSAAPI CountingSelect(int count, fd_set* readable, fd_set* writable, fd_set* failed, const timeval* limit)
{
    ++selects;
    return realSelect(count, readable, writable, failed, limit);
}

int WSAAPI CountingWsaRecv(SOCKET socket, WSABUF* buffers, DWORD count, DWORD* received, DWORD* flags,
                           WSAOVERLAPPED* overlapped, LPWSAOVERLAPPED_COMPLETION_ROUTINE routine)
{
    if (overlapped != nullptr)
        ++overlappedReceives;
    return realWsaRecv(socket, buffers, count, received, flags, overlapped, routine);
}

}  // namespace

bool StartSocketCallCounter(HMODULE module)
{
    if (module == nullptr)
        return false;
    // Patched for the rest of the process and never restored: the host
    // unloads the module before it exits, and the slots go with it.
    void** lookupSlot = FindImportSlot(module, "ws2_32.dll", "gethostbyname");
    void** connectSlot = FindImportSlot(module, "ws2_32.dll", "connect");
    void** selectSlot = FindImportSlot(module, "ws2_32.dll", "select");
    void** wsaRecvSlot = FindImportSlot(module, "ws2_32.dll", "WSARecv");
    if (lookupSlot == nullptr || connectSlot == nullptr || selectSlot == nullptr || wsaRecvSlot == nullptr)
        return false;
    realGethostbyname = reinterpret_cast<GethostbynameFunction>(*lookupSlot);
    realConnect = reinterpret_cast<ConnectFunction>(*connectSlot);
    realSelect = reinterpret_cast<SelectFunction>(*selectSlot);
    realWsaRecv = reinterpret_cast<WsaRecvFunction>(*wsaRecvSlot);
    return ReplaceImport(lookupSlot, reinterpret_cast<void*>(CountingGethostbyname)) != nullptr &&
        ReplaceImport(connectSlot, reinterpret_cast<void*>(CountingConnect)) != nullptr &&
        ReplaceImport(selectSlot, reinterpret_cast<void*>(CountingSelect)) != nullptr &&
        ReplaceImport(wsaRecvSlot, reinterpret_cast<void*>(CountingWsaRecv)) != nullptr;
}

SocketCalls TakeSocketCalls()
{
    SocketCalls calls;
    calls.lookups = lookups.exchange(0);
    calls.connects = connects.exchange(0);
    calls.selects = selects.exchange(0);
    calls.overlappedReceives = overlappedReceives.exchange(0);
    return calls;
}
