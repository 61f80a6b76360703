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

/* How long a yield waits for a waiter to take the lock: spins that give up
   the time slice, then short sleeps, bounded because a waiter may not get
   in at all (the yielding thread can hold the lock more than once). */
#define HANDOFF_SPINS 500
#define HANDOFF_SLEEPS 10

typedef struct StateLock {
    CRITICAL_SECTION section;
    volatile LONG waiters;  /* threads blocked in LuaPlusLockState */
    volatile LONG handoffs; /* entries after a wait, which a yield waits for */
    volatile LONG shared;   /* set for good once another OS thread may come in */
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
        InterlockedIncrement(&lock->handoffs);
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
   critical section is not fair: a thread that leaves it and enters again at
   once nearly always wins against a waiter, which must first wake up, so
   several busy scripts could keep another thread out for good. When someone
   waits, the script lets go and waits until a waiter has entered, then
   queues up as a waiter itself, so that busy threads take turns. */
void LuaPlusYieldState(lua_State* L)
{
    StateLock* lock = ExtraOf(L)->lock;
    LONG handoffs;
    int i;
    if (lock == NULL)
        return;
    if (gLuaPlusMarkCount != 0)
        LuaPlusInterruptIfMarked(L);
    if (lock->waiters == 0)
        return;
    handoffs = lock->handoffs;
    LeaveCriticalSection(&lock->section);
    for (i = 0; i < HANDOFF_SPINS + HANDOFF_SLEEPS && lock->handoffs == handoffs && lock->waiters != 0; ++i)
        Sleep(i < HANDOFF_SPINS ? 0 : 1);
    LuaPlusLockState(L);
}

/* A coroutine about to run on the OS thread that resumes it. */
void LuaPlusStateResuming(lua_State* L)
{
    if (gLuaPlusMarkCount != 0)
        LuaPlusInterruptIfMarked(L);
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
    LuaPlusForgetMarksOfUniverse(L);
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
