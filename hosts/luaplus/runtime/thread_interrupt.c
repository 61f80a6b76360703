/*
 * The hooks that end Lua code from another OS thread. lua_sethook only
 * stores the hook and its mask, so it may be called while L runs elsewhere.
 * The marks are pairs of a universe and an OS thread id, kept in one small
 * table for the process: written with interlocked operations, read without
 * a lock.
 */
#include "thread_interrupt.h"

#include "lua.h"
#include "lauxlib.h"
#include "lstate.h"

#define INTERRUPT_MASK (LUA_MASKCALL | LUA_MASKRET | LUA_MASKLINE | LUA_MASKCOUNT)

typedef struct Mark {
    void* volatile universe; /* the global state of the universe, null when free */
    volatile LONG threadId;
} Mark;

volatile LONG gLuaPlusMarkCount = 0;
static Mark gMarks[LUAPLUS_MARKED_THREAD_LIMIT];

/* Stays set: code that catches the error with pcall raises it again at its
   next step outside. */
static void InterruptHook(lua_State* L, lua_Debug* ar)
{
    (void)ar;
    luaL_error(L, "interrupted");
}

static int IsMarked(void* universe, LONG threadId)
{
    int i;
    for (i = 0; i < LUAPLUS_MARKED_THREAD_LIMIT; ++i) {
        if (gMarks[i].threadId == threadId && gMarks[i].universe == universe)
            return 1;
    }
    return 0;
}

/* Raises the error while the OS thread running L is marked; once the mark
   is lifted (or L is resumed by another OS thread) it takes itself away. */
static void MarkedThreadHook(lua_State* L, lua_Debug* ar)
{
    (void)ar;
    if (gLuaPlusMarkCount != 0 && IsMarked(G(L), (LONG)GetCurrentThreadId()))
        luaL_error(L, "interrupted");
    lua_sethook(L, NULL, 0, 0);
}

void LuaPlusInterruptLuaThread(lua_State* L)
{
    lua_sethook(L, InterruptHook, INTERRUPT_MASK, 1);
}

int LuaPlusMarkOsThread(lua_State* L, unsigned long threadId)
{
    void* universe = G(L);
    LONG id = (LONG)threadId;
    int i;
    if (id == 0)
        return 0;
    if (IsMarked(universe, id))
        return 1;
    for (i = 0; i < LUAPLUS_MARKED_THREAD_LIMIT; ++i) {
        /* The id claims the entry; the universe completes it. */
        if (InterlockedCompareExchange(&gMarks[i].threadId, id, 0) == 0) {
            gMarks[i].universe = universe;
            InterlockedIncrement(&gLuaPlusMarkCount);
            return 1;
        }
    }
    return 0;
}

static void Unmark(int i)
{
    gMarks[i].universe = NULL;
    InterlockedExchange(&gMarks[i].threadId, 0);
    InterlockedDecrement(&gLuaPlusMarkCount);
}

void LuaPlusUnmarkOsThread(lua_State* L, unsigned long threadId)
{
    void* universe = G(L);
    LONG id = (LONG)threadId;
    int i;
    if (id == 0)
        return;
    for (i = 0; i < LUAPLUS_MARKED_THREAD_LIMIT; ++i) {
        if (gMarks[i].threadId == id && gMarks[i].universe == universe)
            Unmark(i);
    }
}

void LuaPlusForgetMarksOfUniverse(lua_State* L)
{
    void* universe = G(L);
    int i;
    if (gLuaPlusMarkCount == 0)
        return;
    for (i = 0; i < LUAPLUS_MARKED_THREAD_LIMIT; ++i) {
        if (gMarks[i].universe == universe && gMarks[i].threadId != 0)
            Unmark(i);
    }
}

void LuaPlusInterruptIfMarked(lua_State* L)
{
    if (L->hook == InterruptHook || L->hook == MarkedThreadHook)
        return;
    if (IsMarked(G(L), (LONG)GetCurrentThreadId()))
        lua_sethook(L, MarkedThreadHook, INTERRUPT_MASK, 1);
}
