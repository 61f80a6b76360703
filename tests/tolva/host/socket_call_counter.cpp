#include "socket_call_counter.h"

#include <winsock2.h>

#include <atomic>
#include <cstring>

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

// The import address table entry of `function` from `dll` in `module`, or
// null.
void** ImportSlot(HMODULE module, const char* dll, const char* function)
{
    char* base = reinterpret_cast<char*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS32* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (entry.VirtualAddress == 0)
        return nullptr;
    for (const IMAGE_IMPORT_DESCRIPTOR* import =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + entry.VirtualAddress);
         import->Name != 0; ++import) {
        if (lstrcmpiA(base + import->Name, dll) != 0 || import->OriginalFirstThunk == 0)
            continue;
        const IMAGE_THUNK_DATA32* names =
            reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + import->OriginalFirstThunk);
        IMAGE_THUNK_DATA32* addresses = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
            if (IMAGE_SNAP_BY_ORDINAL32(names->u1.Ordinal))
                continue;
            const IMAGE_IMPORT_BY_NAME* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
                return reinterpret_cast<void**>(&addresses->u1.Function);
            }
        }
    }
    return nullptr;
}

// Replaces an import address; answers the one it replaced, or null.
void* Reroute(void** slot, void* replacement)
{
    DWORD protection = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection))
        return nullptr;
    void* original = *slot;
    *slot = replacement;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    return original;
}

}  // namespace

bool StartSocketCallCounter(HMODULE module)
{
    if (module == nullptr)
        return false;
    void** lookupSlot = ImportSlot(module, "ws2_32.dll", "gethostbyname");
    void** connectSlot = ImportSlot(module, "ws2_32.dll", "connect");
    void** selectSlot = ImportSlot(module, "ws2_32.dll", "select");
    void** wsaRecvSlot = ImportSlot(module, "ws2_32.dll", "WSARecv");
    if (lookupSlot == nullptr || connectSlot == nullptr || selectSlot == nullptr || wsaRecvSlot == nullptr)
        return false;
    realGethostbyname = reinterpret_cast<GethostbynameFunction>(*lookupSlot);
    realConnect = reinterpret_cast<ConnectFunction>(*connectSlot);
    realSelect = reinterpret_cast<SelectFunction>(*selectSlot);
    realWsaRecv = reinterpret_cast<WsaRecvFunction>(*wsaRecvSlot);
    return Reroute(lookupSlot, reinterpret_cast<void*>(CountingGethostbyname)) != nullptr &&
        Reroute(connectSlot, reinterpret_cast<void*>(CountingConnect)) != nullptr &&
        Reroute(selectSlot, reinterpret_cast<void*>(CountingSelect)) != nullptr &&
        Reroute(wsaRecvSlot, reinterpret_cast<void*>(CountingWsaRecv)) != nullptr;
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
