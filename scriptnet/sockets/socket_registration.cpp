// The socket layer comes and goes with the module's registrations.
#include "sockets/registered_universes.h"
#include "sockets/socket_operations.h"
#include "sockets/socket_table.h"
#include "sockets/winsock_io.h"
#include "sockets/worker_lifecycle.h"

void RegisterSocketUniverse(LuaPlus::LuaState* universe)
{
    {
        SocketTableLock lock;
        RegisterUniverseLocked(universe);
    }
    // The result is not needed: if the start failed every socket call fails
    // and the functions say so.
    StartWinsock();
}

void UnregisterSocketUniverses()
{
    SocketTableLock lock;
    UnregisterAllUniversesLocked();
}

void StopSockets()
{
    StopAllSocketWorkers();
    CloseIdleIoEvents();
}
