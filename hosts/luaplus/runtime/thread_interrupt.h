/*
 * Interrupting Lua code from another OS thread: one Lua thread for good
 * (the error "interrupted" at its next step), or whatever Lua code a given
 * OS thread runs in a universe, coroutines included, while that OS thread
 * is marked in that universe.
 */
#ifndef LUAPLUS_THREAD_INTERRUPT_H
#define LUAPLUS_THREAD_INTERRUPT_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

struct lua_State;

/* Marks of (universe, OS thread) held at once, by all universes together. */
#define LUAPLUS_MARKED_THREAD_LIMIT 64

/* How many marks are held: while it is 0, one read of it tells the runtime's
   jumps and resumes that there is nothing to look for. */
extern volatile LONG gLuaPlusMarkCount;

/* Sets the hook that raises "interrupted" at L's next step, for good. Safe
   from any OS thread. */
void LuaPlusInterruptLuaThread(struct lua_State* L);

/* Marks an OS thread in L's universe (again); 0 when the marks are full.
   Unmarking lifts it; a Lua thread the mark reached runs normally again. The
   same id is not marked and unmarked by two threads at once. */
int LuaPlusMarkOsThread(struct lua_State* L, unsigned long threadId);
void LuaPlusUnmarkOsThread(struct lua_State* L, unsigned long threadId);

/* Where L runs on the calling OS thread (a jump of its code, its resume):
   gives L the marks' hook if this OS thread is marked in L's universe. */
void LuaPlusInterruptIfMarked(struct lua_State* L);

/* L's universe is closing: its marks go. */
void LuaPlusForgetMarksOfUniverse(struct lua_State* L);

#ifdef __cplusplus
}
#endif

#endif
