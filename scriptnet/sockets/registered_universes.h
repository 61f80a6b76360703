// The universes (main states) that registered the module and were not
// unregistered since. Slots and workers are made only for these: a state
// that the host has unregistered is about to be closed, and a finalizer
// running in its closing must not start a worker in it. The set is guarded
// by the table lock (socket_table.h), which every caller holds.
#ifndef SCRIPTNET_SOCKETS_REGISTERED_UNIVERSES_H
#define SCRIPTNET_SOCKETS_REGISTERED_UNIVERSES_H

namespace LuaPlus {
class LuaState;
}

void RegisterUniverseLocked(LuaPlus::LuaState* mainState);
// The host's unregistration names no state: it ends every registration.
void UnregisterAllUniversesLocked();
bool UniverseIsRegisteredLocked(LuaPlus::LuaState* mainState);

#endif
