#include "sockets/slot_socket.h"

#include <new>

#include "common/this_module.h"
#include "sockets/winsock_io.h"

namespace {

// How long a release waits in all for its sockets' last users: a woken user
// needs moments; only one held up elsewhere (waiting for the state's lock)
// takes longer, and its socket is then closed later, without the wait.
const DWORD ReleaseWaitLimit = 2000;

void CloseSlotSocket(SlotSocket* socket)
{
    CloseSocket(socket->handle);
    if (socket->closedEvent != nullptr) {
        SetEvent(socket->closedEvent);
        CloseHandle(socket->closedEvent);
    }
    CloseOwnedHandle(socket->releasedEvent);
    delete socket;
}

}  // namespace

SlotSocket* AdoptSocket(SOCKET handle)
{
    SlotSocket* socket = new (std::nothrow) SlotSocket();
    HANDLE releasedEvent = socket != nullptr ? CreateEventA(nullptr, TRUE, FALSE, nullptr) : nullptr;
    if (releasedEvent == nullptr) {
        delete socket;
        CloseSocket(handle);
        return nullptr;
    }
    socket->handle = handle;
    socket->releasedEvent = releasedEvent;
    return socket;
}

void BeginSocketUse(SlotSocket* socket)
{
    ++socket->users;
}

void EndSocketUse(SlotSocket* socket)
{
    if (--socket->users == 0 && socket->released)
        CloseSlotSocket(socket);
}

HANDLE ReleaseSocket(SlotSocket* socket)
{
    socket->released = true;
    if (socket->users == 0) {
        CloseSlotSocket(socket);
        return nullptr;
    }
    ShutDownSocket(socket->handle);
    SetEvent(socket->releasedEvent);
    if (socket->closedEvent == nullptr)
        socket->closedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return socket->closedEvent != nullptr ? DuplicateOwnHandle(socket->closedEvent) : nullptr;
}

void AwaitSocketsClosed(HANDLE* closedEvents, int count)
{
    DWORD start = GetTickCount();
    for (int i = 0; i < count; ++i) {
        DWORD spent = GetTickCount() - start;
        WaitForSingleObject(closedEvents[i], spent < ReleaseWaitLimit ? ReleaseWaitLimit - spent : 0);
        CloseHandle(closedEvents[i]);
    }
}
