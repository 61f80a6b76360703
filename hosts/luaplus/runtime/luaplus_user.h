/*
 * Configuration of the Lua runtime inside LuaPlus.dll, included by lua.h
 * (LUA_USER_H) after luaconf.h.
 *
 * Every state carries a recursive per-state lock so that several OS threads
 * may call into one Lua universe: the runtime takes it on entry to each API
 * function and releases it around every C function it calls, so a C function
 * that blocks (a socket wait, a message box) lets other threads in.
 *
 * Two pointers sit in the extra space in front of each lua_State: the lock
 * shared by all threads of the universe, and the LuaPlus::LuaState object
 * bound to that one lua_State (null until the binding first needs it).
 */
#ifndef LUAPLUS_USER_H
#define LUAPLUS_USER_H

struct lua_State;

void LuaPlusLockState(struct lua_State* L);
void LuaPlusUnlockState(struct lua_State* L);
void LuaPlusYieldState(struct lua_State* L);
void LuaPlusStateResuming(struct lua_State* L);
void LuaPlusStateOpened(struct lua_State* L);
void LuaPlusStateClosing(struct lua_State* L);
void LuaPlusThreadCreated(struct lua_State* L, struct lua_State* L1);
void LuaPlusThreadFreed(struct lua_State* L);

#define lua_lock(L) LuaPlusLockState(L)
#define lua_unlock(L) LuaPlusUnlockState(L)
/* Loops of a busy script hand the lock over to waiting threads. */
#define luai_threadyield(L) LuaPlusYieldState(L)

/* Two pointers, kept at 8 bytes so that the lua_State stays aligned. */
#undef LUAI_EXTRASPACE
#define LUAI_EXTRASPACE (2 * sizeof(void*) > 8 ? 2 * sizeof(void*) : 8)

#undef luai_userstateopen
#undef luai_userstateclose
#undef luai_userstatethread
#undef luai_userstatefree
#undef luai_userstateresume
#define luai_userstateopen(L) LuaPlusStateOpened(L)
#define luai_userstateclose(L) LuaPlusStateClosing(L)
#define luai_userstatethread(L, L1) LuaPlusThreadCreated(L, L1)
#define luai_userstatefree(L) LuaPlusThreadFreed(L)
/* A coroutine about to run on the OS thread that resumes it. */
#define luai_userstateresume(L, n) LuaPlusStateResuming(L)

#endif
