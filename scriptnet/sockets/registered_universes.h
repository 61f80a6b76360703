// The universes (main states) that registered the module and were not
// unregistered since. Slots and workers are made only for these: a state
// that the host has unregistered is about to be closed, and a finalizer
// running in its closing must not start a worker in it.
#ifndef SCRIPTNET_SOCKETS_REGISTERED_UNIVERSES_H
#define SCRIPTNET_SOCKETS_REGISTERED_UNIVERSES_H

namespace LuaPlus {
class LuaState;
}

// Each takes the table lock, which guards the set.
void RegisterUniverse(LuaPlus::LuaState* mainState);
// The host's unregistration names no state: it ends every registration.
void UnregisterAllUniverses();
bool UniverseIsRegistered(LuaPlus::LuaState* mainState);

#endif
