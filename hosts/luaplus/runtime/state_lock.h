/*
 * Access to the two per-lua_State pointers that the runtime keeps in front
 * of each lua_State (see luaplus_user.h), for the C++ binding.
 */
#ifndef LUAPLUS_STATE_LOCK_H
#define LUAPLUS_STATE_LOCK_H

#ifdef __cplusplus
extern "C" {
#endif

struct lua_State;

/* The LuaPlus::LuaState bound to this very lua_State, or null. */
void* LuaPlusGetBinding(struct lua_State* L);
void LuaPlusSetBinding(struct lua_State* L, void* binding);

/* The main thread of L's universe. */
struct lua_State* LuaPlusMainThread(struct lua_State* L);

/* Called by the runtime when a thread with a binding is collected, and for
   the main thread when the state closes; defined by the binding. */
void LuaPlusReleaseBinding(void* binding, int isMainThread);

/* The recursive per-state lock, also taken by the binding around sequences
   of API calls that must not interleave with other threads. */
void LuaPlusLockState(struct lua_State* L);
void LuaPlusUnlockState(struct lua_State* L);

/* Whether another OS thread may be inside L's universe. Marked, for good,
   by the thread that makes a Lua thread for another OS thread, before that
   OS thread can start; until then one OS thread at a time runs the
   universe, and the binding's own reads need no lock. The runtime locks
   every API call all the same. */
void LuaPlusShareState(struct lua_State* L);
int LuaPlusStateIsShared(struct lua_State* L);

#ifdef __cplusplus
}
#endif

#endif
