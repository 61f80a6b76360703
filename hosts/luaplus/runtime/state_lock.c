/*
 * The per-state lock of the Lua runtime and the per-lua_State binding
 * pointer, kept in the extra space Lua reserves in front of every lua_State.
 */
#include <windows.h>
#include <stdlib.h>

#include "lua.h"
#include "lstate.h"
#include "state_lock.h"
#include "thread_interrupt.h"

typedef struct StateLock {
    CRITICAL_SECTION section;
    volatile LONG waiters; /* threads blocked in LuaPlusLockState */
    volatile LONG shared;  /* set for good once another OS thread may come in */
    InterruptMarks marks;  /* OS threads whose Lua code is interrupted */
} StateLock;

typedef struct StateExtra {
    StateLock* lock;
    void* binding;
} StateExtra;

static StateExtra* ExtraOf(lua_State* L)
{
    return (StateExtra*)((char*)L - LUAI_EXTRASPACE);
}

void LuaPlusLockState(lua_State* L)
{
    StateLock* lock = ExtraOf(L)->lock;
    if (lock == NULL)
        return;
    if (!TryEnterCriticalSection(&lock->section)) {
        InterlockedIncrement(&lock->waiters);
        EnterCriticalSection(&lock->section);
        InterlockedDecrement(&lock->waiters);
    }
}

void LuaPlusUnlockState(lua_State* L)
{
    StateLock* lock = ExtraOf(L)->lock;
    if (lock != NULL)
        LeaveCriticalSection(&lock->section);
}

/* Called on every jump of a running script, on the OS thread that runs it:
   a marked OS thread's loops end here, in whichever coroutine they run. A
   critical section is not fair: leaving and entering again at once would let
   the script keep it forever, so when someone waits the script gives up its
   time slice in between. */
void LuaPlusYieldState(lua_State* L)
{
    StateLock* lock = ExtraOf(L)->lock;
    if (lock == NULL)
        return;
    if (lock->marks.count != 0)
        LuaPlusInterruptIfMarked(&lock->marks, L);
    if (lock->waiters == 0)
        return;
    LeaveCriticalSection(&lock->section);
    Sleep(0);
    EnterCriticalSection(&lock->section);
}

/* A coroutine about to run on the OS thread that resumes it. */
void LuaPlusStateResuming(lua_State* L)
{
    StateLock* lock = ExtraOf(L)->lock;
    if (lock != NULL && lock->marks.count != 0)
        LuaPlusInterruptIfMarked(&lock->marks, L);
}

InterruptMarks* LuaPlusInterruptMarks(lua_State* L)
{
    StateLock* lock = ExtraOf(L)->lock;
    return lock != NULL ? &lock->marks : NULL;
}

void LuaPlusShareState(lua_State* L)
{
    StateLock* lock = ExtraOf(L)->lock;
    if (lock != NULL)
        InterlockedExchange(&lock->shared, 1);
}

int LuaPlusStateIsShared(lua_State* L)
{
    StateLock* lock = ExtraOf(L)->lock;
    return lock != NULL && lock->shared != 0;
}

void LuaPlusStateOpened(lua_State* L)
{
    StateExtra* extra = ExtraOf(L);
    extra->binding = NULL;
    extra->lock = (StateLock*)calloc(1, sizeof(StateLock));
    if (extra->lock != NULL)
        InitializeCriticalSection(&extra->lock->section);
}

/* lua_close holds the lock (taken once) when it gets here; nothing locks
   after this point. */
void LuaPlusStateClosing(lua_State* L)
{
    StateExtra* extra = ExtraOf(L);
    StateLock* lock = extra->lock;
    extra->lock = NULL;
    if (lock != NULL) {
        LeaveCriticalSection(&lock->section);
        DeleteCriticalSection(&lock->section);
        free(lock);
    }
    if (extra->binding != NULL) {
        void* binding = extra->binding;
        extra->binding = NULL;
        LuaPlusReleaseBinding(binding, 1);
    }
}

void LuaPlusThreadCreated(lua_State* L, lua_State* L1)
{
    ExtraOf(L1)->lock = ExtraOf(L)->lock;
    ExtraOf(L1)->binding = NULL;
}

void LuaPlusThreadFreed(lua_State* L)
{
    StateExtra* extra = ExtraOf(L);
    if (extra->binding != NULL) {
        void* binding = extra->binding;
        extra->binding = NULL;
        LuaPlusReleaseBinding(binding, 0);
    }
}

void* LuaPlusGetBinding(lua_State* L)
{
    return ExtraOf(L)->binding;
}

void LuaPlusSetBinding(lua_State* L, void* binding)
{
    ExtraOf(L)->binding = binding;
}

lua_State* LuaPlusMainThread(lua_State* L)
{
    return G(L)->mainthread;
}
