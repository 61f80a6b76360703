// A slot's socket comes and goes: tCreate, tClose and tGetError.
#include <winsock2.h>
#include <windows.h>

#include <LuaPlus/LuaPlus.h>

#include "common/this_module.h"
#include "sockets/slot_socket.h"
#include "sockets/socket_operations.h"
#include "sockets/socket_table.h"
#include "sockets/winsock_io.h"

int CreateSlotSocket(bool datagram, unsigned short port, LuaPlus::LuaState* caller)
{
    // The slot is ours from here on: in use, so no other thread takes it. A
    // universe that is not registered (any more) gets none.
    unsigned flags = datagram ? static_cast<unsigned>(SlotDatagram) : 0u;
    unsigned generation = 0;
    int index = TakeFreeSlot(flags, caller->GetMainState(), &generation);
    if (index < 0)
        return 0;

    HANDLE dataEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    SOCKET socketHandle = INVALID_SOCKET;
    bool stored = false;
    if (dataEvent != nullptr && OpenBoundSocket(datagram, port, &socketHandle) == 0) {
        SocketTableLock lock;
        SocketSlot& slot = gSocketTable[index];
        SlotSocket* socket = AdoptSocket(socketHandle);
        socketHandle = INVALID_SOCKET;  // the record's now, or closed
        if (socket != nullptr && SlotHasGeneration(slot, generation)) {
            slot.socket = socket;
            slot.dataEvent = dataEvent;
            stored = true;
        } else if (socket != nullptr) {
            CloseOwnedHandle(ReleaseSocket(socket));
        }
    }
    if (!stored) {
        if (socketHandle != INVALID_SOCKET)
            CloseSocket(socketHandle);
        if (dataEvent != nullptr)
            CloseHandle(dataEvent);
        ReleaseSlotOfGeneration(index, generation);
        return 0;
    }
    return index + 1;
}

void CloseSlot(int handle)
{
    int index = SlotIndexOfHandle(handle);
    if (index >= 0)
        ReleaseSlot(index);
}

int SlotLastError(int handle)
{
    SocketSlot slot;
    if (!CopySlotOfHandle(handle, &slot))
        return 0;
    return slot.lastError;
}
