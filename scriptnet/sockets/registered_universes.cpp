#include "sockets/registered_universes.h"

#include <algorithm>
#include <new>
#include <vector>

#include "sockets/socket_table.h"

namespace {

std::vector<LuaPlus::LuaState*> gRegisteredUniverses;

}  // namespace

void RegisterUniverse(LuaPlus::LuaState* mainState)
{
    SocketTableLock lock;
    if (UniverseIsRegistered(mainState))
        return;
    try {
        gRegisteredUniverses.push_back(mainState);
    } catch (const std::bad_alloc&) {
        // Not registered: the state gets no sockets, as with a full table.
    }
}

void UnregisterAllUniverses()
{
    SocketTableLock lock;
    gRegisteredUniverses.clear();
}

bool UniverseIsRegistered(LuaPlus::LuaState* mainState)
{
    SocketTableLock lock;
    return std::find(gRegisteredUniverses.begin(), gRegisteredUniverses.end(), mainState) != gRegisteredUniverses.end();
}
