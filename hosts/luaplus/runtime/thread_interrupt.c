/*
 * The hooks that end Lua code from another OS thread. lua_sethook only
 * stores the hook and its mask, so it may be called while L runs elsewhere.
 */
#include "thread_interrupt.h"

#include "lua.h"
#include "lauxlib.h"
#include "lstate.h"

#define INTERRUPT_MASK (LUA_MASKCALL | LUA_MASKRET | LUA_MASKLINE | LUA_MASKCOUNT)

/* Stays set: code that catches the error with pcall raises it again at its
   next step outside. */
static void InterruptHook(lua_State* L, lua_Debug* ar)
{
    (void)ar;
    luaL_error(L, "interrupted");
}

static int IsMarked(const InterruptMarks* marks, LONG threadId)
{
    int i;
    for (i = 0; i < LUAPLUS_MARKED_THREAD_LIMIT; ++i) {
        if (marks->threads[i] == threadId)
            return 1;
    }
    return 0;
}

/* Raises the error while the OS thread running L is marked; once the mark
   is lifted (or L is resumed by another OS thread) it takes itself away. */
static void MarkedThreadHook(lua_State* L, lua_Debug* ar)
{
    InterruptMarks* marks = LuaPlusInterruptMarks(L);
    (void)ar;
    if (marks != NULL && marks->count != 0 && IsMarked(marks, (LONG)GetCurrentThreadId()))
        luaL_error(L, "interrupted");
    lua_sethook(L, NULL, 0, 0);
}

void LuaPlusInterruptLuaThread(lua_State* L)
{
    lua_sethook(L, InterruptHook, INTERRUPT_MASK, 1);
}

int LuaPlusMarkOsThread(lua_State* L, unsigned long threadId)
{
    InterruptMarks* marks = LuaPlusInterruptMarks(L);
    LONG id = (LONG)threadId;
    int i;
    if (marks == NULL || id == 0)
        return 0;
    if (IsMarked(marks, id))
        return 1;
    for (i = 0; i < LUAPLUS_MARKED_THREAD_LIMIT; ++i) {
        if (InterlockedCompareExchange(&marks->threads[i], id, 0) == 0) {
            InterlockedIncrement(&marks->count);
            return 1;
        }
    }
    return 0;
}

void LuaPlusUnmarkOsThread(lua_State* L, unsigned long threadId)
{
    InterruptMarks* marks = LuaPlusInterruptMarks(L);
    LONG id = (LONG)threadId;
    int i;
    if (marks == NULL || id == 0)
        return;
    for (i = 0; i < LUAPLUS_MARKED_THREAD_LIMIT; ++i) {
        if (InterlockedCompareExchange(&marks->threads[i], 0, id) == id)
            InterlockedDecrement(&marks->count);
    }
}

void LuaPlusInterruptIfMarked(InterruptMarks* marks, lua_State* L)
{
    if (L->hook == InterruptHook || L->hook == MarkedThreadHook)
        return;
    if (IsMarked(marks, (LONG)GetCurrentThreadId()))
        lua_sethook(L, MarkedThreadHook, INTERRUPT_MASK, 1);
}
