// A slot's socket comes and goes: tCreate, tClose, tClean, tGetCount and
// tGetError.
#include <winsock2.h>
#include <windows.h>

#include "sockets/slot_socket.h"
#include "sockets/socket_operations.h"
#include "sockets/socket_table.h"
#include "sockets/winsock_io.h"

int CreateSlotSocket(bool datagram, unsigned short port, LuaPlus::LuaState* universe)
{
    // The slot is ours from here on: in use, so no other thread takes it. A
    // universe that is not registered (any more) gets none.
    unsigned flags = datagram ? static_cast<unsigned>(SlotDatagram) : 0u;
    unsigned generation = 0;
    int index;
    {
        SocketTableLock lock;
        index = TakeFreeSlotLocked(flags, universe, &generation);
    }
    if (index < 0)
        return 0;

    HANDLE dataEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    SOCKET socketHandle = INVALID_SOCKET;
    SlotSocket* socket = nullptr;
    if (dataEvent != nullptr && OpenBoundSocket(datagram, port, &socketHandle) == 0)
        socket = AdoptSocket(socketHandle);  // the record's now, or closed
    SocketTableLock lock;
    SocketSlot& slot = gSocketTable[index];
    // Released meanwhile (tClean on another thread): the socket goes too.
    if (socket != nullptr && SlotHasGenerationLocked(slot, generation)) {
        slot.socket = socket;
        slot.dataEvent = dataEvent;
        return index + 1;
    }
    if (socket != nullptr)
        DiscardSocketLocked(socket);
    if (dataEvent != nullptr)
        CloseHandle(dataEvent);
    ReleaseSlotOfGenerationLocked(index, generation);
    return 0;
}

void CloseSlot(int handle)
{
    int index = SlotIndexOfHandle(handle);
    if (index >= 0)
        ReleaseSlot(index);
}

void CloseAllSlots()
{
    ReleaseAllSlots();
}

int CountOpenSlots()
{
    return CountSlotsInUse();
}

int SlotLastError(int handle)
{
    SocketSlot slot;
    if (!CopySlotOfHandle(handle, &slot))
        return 0;
    return slot.lastError;
}
