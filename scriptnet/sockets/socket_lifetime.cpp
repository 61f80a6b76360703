// tCreate, tClose and tGetError: a slot's socket comes and goes.
#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "../host/script_arguments.h"
#include "../host/script_functions.h"
#include "socket_table.h"

int tCreate(LuaState* state, LuaStackObject* args)
{
    if (!args[1].IsNumber() || !args[2].IsNumber())
        return NumberResult(state, 0);
    bool datagram = TruncateNumber(args[1].GetNumber()) != 0;
    unsigned short port = PortArgument(args[2]);

    // The slot is ours from here on: in use, so no other thread takes it.
    unsigned flags = datagram ? static_cast<unsigned>(SlotDatagram) : 0u;
    unsigned generation = 0;
    int index = TakeFreeSlot(flags, state->GetMainState(), &generation);
    if (index < 0)
        return NumberResult(state, 0);

    HANDLE dataEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    SOCKET socketHandle = socket(AF_INET, datagram ? SOCK_DGRAM : SOCK_STREAM, 0);
    bool created = dataEvent != nullptr && socketHandle != INVALID_SOCKET;
    if (created) {
        sockaddr_in local;
        std::memset(&local, 0, sizeof local);
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        created = bind(socketHandle, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
    }

    bool stored = false;
    if (created) {
        SocketTableLock lock;
        SocketSlot& slot = SocketTable[index];
        if (slot.generation == generation && slot.slotFlags != 0) {
            slot.socketHandle = socketHandle;
            slot.dataEvent = dataEvent;
            stored = true;
        }
    }
    if (!stored) {
        if (socketHandle != INVALID_SOCKET)
            closesocket(socketHandle);
        if (dataEvent != nullptr)
            CloseHandle(dataEvent);
        ReleaseSlotOfGeneration(index, generation);
        return NumberResult(state, 0);
    }
    return NumberResult(state, index + 1);
}

int tClose(LuaState* state, LuaStackObject* args)
{
    int index = SlotIndexOfHandle(args[1]);
    if (index >= 0)
        ReleaseSlot(index);
    return NumberResult(state, 0);
}

int tGetError(LuaState* state, LuaStackObject* args)
{
    int index = SlotIndexOfHandle(args[1]);
    SocketSlot slot;
    if (index < 0 || !CopySlot(index, &slot))
        return NumberResult(state, 0);
    return NumberResult(state, slot.lastError);
}
