#include "sockets/registered_universes.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

std::vector<LuaPlus::LuaState*> gRegisteredUniverses;

}  // namespace

void RegisterUniverseLocked(LuaPlus::LuaState* mainState)
{
    if (UniverseIsRegisteredLocked(mainState))
        return;
    try {
        gRegisteredUniverses.push_back(mainState);
    } catch (const std::bad_alloc&) {
        // Not registered: the state gets no sockets, as with a full table.
    }
}

void UnregisterAllUniversesLocked()
{
    gRegisteredUniverses.clear();
}

bool UniverseIsRegisteredLocked(LuaPlus::LuaState* mainState)
{
    return std::find(gRegisteredUniverses.begin(), gRegisteredUniverses.end(), mainState) != gRegisteredUniverses.end();
}
