/*
 * Interrupting Lua code from another OS thread: one Lua thread for good
 * (the error "interrupted" at its next step), or whatever Lua code a given
 * OS thread runs in a universe, coroutines included, while that OS thread
 * is marked.
 */
#ifndef LUAPLUS_THREAD_INTERRUPT_H
#define LUAPLUS_THREAD_INTERRUPT_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

struct lua_State;

#define LUAPLUS_MARKED_THREAD_LIMIT 64

/* The marked OS threads of one universe, kept with its lock. Written with
   interlocked operations, read without a lock. */
typedef struct InterruptMarks {
    volatile LONG count;                                /* 0: one read decides */
    volatile LONG threads[LUAPLUS_MARKED_THREAD_LIMIT]; /* thread ids, 0 free */
} InterruptMarks;

/* The marks of L's universe, or null once it is closing (state_lock.c). */
InterruptMarks* LuaPlusInterruptMarks(struct lua_State* L);

/* Sets the hook that raises "interrupted" at L's next step, for good. Safe
   from any OS thread. */
void LuaPlusInterruptLuaThread(struct lua_State* L);

/* Marks an OS thread of L's universe (again); 0 when the marks are full.
   Unmarking lifts it; a Lua thread the mark reached runs normally again. The
   same id is not marked and unmarked by two threads at once. */
int LuaPlusMarkOsThread(struct lua_State* L, unsigned long threadId);
void LuaPlusUnmarkOsThread(struct lua_State* L, unsigned long threadId);

/* Where L runs on the calling OS thread (a jump of its code, its resume):
   gives L the marks' hook if this OS thread is marked. */
void LuaPlusInterruptIfMarked(InterruptMarks* marks, struct lua_State* L);

#ifdef __cplusplus
}
#endif

#endif
