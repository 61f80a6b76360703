#include "socket_call_counter.h"

#include <winsock2.h>
#include <mswsock.h>

#include <atomic>
#include <cstring>

#include "pe_image.h"

namespace {

typedef hostent*(WSAAPI* GethostbynameFunction)(const char* name);
typedef int(WSAAPI* ConnectFunction)(SOCKET socket, const sockaddr* address, int length);
typedef int(WSAAPI* EventSelectFunction)(SOCKET socket, WSAEVENT event, long networkEvents);
typedef int(WSAAPI* WsaRecvFunction)(SOCKET socket, WSABUF* buffers, DWORD count, DWORD* received, DWORD* flags,
                                     WSAOVERLAPPED* overlapped, LPWSAOVERLAPPED_COMPLETION_ROUTINE routine);
typedef int(WSAAPI* GetpeernameFunction)(SOCKET socket, sockaddr* address, int* length);
typedef int(WSAAPI* WsaIoctlFunction)(SOCKET socket, DWORD code, void* input, DWORD inputSize, void* output,
                                      DWORD outputSize, DWORD* returned, WSAOVERLAPPED* overlapped,
                                      LPWSAOVERLAPPED_COMPLETION_ROUTINE routine);

GethostbynameFunction realGethostbyname = nullptr;
ConnectFunction realConnect = nullptr;
EventSelectFunction realEventSelect = nullptr;
WsaRecvFunction realWsaRecv = nullptr;
GetpeernameFunction realGetpeername = nullptr;
WsaIoctlFunction realWsaIoctl = nullptr;
LPFN_CONNECTEX realConnectEx = nullptr;
std::atomic<int> lookups(0);
std::atomic<int> connects(0);
std::atomic<int> readinessWaits(0);
std::atomic<int> overlappedReceives(0);
std::atomic<int> peerLooks(0);

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

// A readiness wait selects the events it waits for and clears them after.
int WSAAPI CountingEventSelect(SOCKET socket, WSAEVENT event, long networkEvents)
{
    if (networkEvents != 0)
        ++readinessWaits;
    return realEventSelect(socket, event, networkEvents);
}

int WSAAPI CountingWsaRecv(SOCKET socket, WSABUF* buffers, DWORD count, DWORD* received, DWORD* flags,
                           WSAOVERLAPPED* overlapped, LPWSAOVERLAPPED_COMPLETION_ROUTINE routine)
{
    if (overlapped != nullptr)
        ++overlappedReceives;
    return realWsaRecv(socket, buffers, count, received, flags, overlapped, routine);
}

int WSAAPI CountingGetpeername(SOCKET socket, sockaddr* address, int* length)
{
    ++peerLooks;
    return realGetpeername(socket, address, length);
}

// Connection attempts made overlapped go through ConnectEx, which the
// module asks Winsock for: it is handed a counting one instead.
BOOL PASCAL CountingConnectEx(SOCKET socket, const sockaddr* address, int length, void* data, DWORD dataSize,
                              DWORD* sent, OVERLAPPED* overlapped)
{
    ++connects;
    return realConnectEx(socket, address, length, data, dataSize, sent, overlapped);
}

int WSAAPI CountingWsaIoctl(SOCKET socket, DWORD code, void* input, DWORD inputSize, void* output, DWORD outputSize,
                            DWORD* returned, WSAOVERLAPPED* overlapped, LPWSAOVERLAPPED_COMPLETION_ROUTINE routine)
{
    int result = realWsaIoctl(socket, code, input, inputSize, output, outputSize, returned, overlapped, routine);
    GUID connectGuid = WSAID_CONNECTEX;
    if (result == 0 && code == SIO_GET_EXTENSION_FUNCTION_POINTER && inputSize == sizeof connectGuid &&
        std::memcmp(input, &connectGuid, sizeof connectGuid) == 0 && outputSize == sizeof(LPFN_CONNECTEX)) {
        realConnectEx = *static_cast<LPFN_CONNECTEX*>(output);
        *static_cast<LPFN_CONNECTEX*>(output) = CountingConnectEx;
    }
    return result;
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
    void** eventSelectSlot = FindImportSlot(module, "ws2_32.dll", "WSAEventSelect");
    void** wsaRecvSlot = FindImportSlot(module, "ws2_32.dll", "WSARecv");
    void** getpeernameSlot = FindImportSlot(module, "ws2_32.dll", "getpeername");
    void** wsaIoctlSlot = FindImportSlot(module, "ws2_32.dll", "WSAIoctl");
    if (lookupSlot == nullptr || connectSlot == nullptr || eventSelectSlot == nullptr || wsaRecvSlot == nullptr ||
        getpeernameSlot == nullptr || wsaIoctlSlot == nullptr)
        return false;
    realGethostbyname = reinterpret_cast<GethostbynameFunction>(*lookupSlot);
    realConnect = reinterpret_cast<ConnectFunction>(*connectSlot);
    realEventSelect = reinterpret_cast<EventSelectFunction>(*eventSelectSlot);
    realWsaRecv = reinterpret_cast<WsaRecvFunction>(*wsaRecvSlot);
    realGetpeername = reinterpret_cast<GetpeernameFunction>(*getpeernameSlot);
    realWsaIoctl = reinterpret_cast<WsaIoctlFunction>(*wsaIoctlSlot);
    return ReplaceImport(lookupSlot, reinterpret_cast<void*>(CountingGethostbyname)) != nullptr &&
        ReplaceImport(connectSlot, reinterpret_cast<void*>(CountingConnect)) != nullptr &&
        ReplaceImport(eventSelectSlot, reinterpret_cast<void*>(CountingEventSelect)) != nullptr &&
        ReplaceImport(wsaRecvSlot, reinterpret_cast<void*>(CountingWsaRecv)) != nullptr &&
        ReplaceImport(getpeernameSlot, reinterpret_cast<void*>(CountingGetpeername)) != nullptr &&
        ReplaceImport(wsaIoctlSlot, reinterpret_cast<void*>(CountingWsaIoctl)) != nullptr;
}

SocketCalls TakeSocketCalls()
{
    SocketCalls calls;
    calls.lookups = lookups.exchange(0);
    calls.connects = connects.exchange(0);
    calls.readinessWaits = readinessWaits.exchange(0);
    calls.overlappedReceives = overlappedReceives.exchange(0);
    calls.peerLooks = peerLooks.exchange(0);
    return calls;
}
