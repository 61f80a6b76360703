// The per-state lock: C functions run without it, other OS threads call in
// through Lua threads of their own, and a busy script lets them in.
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "binding_fixture.h"

using LuaPlus::LuaCall;
using LuaPlus::LuaObject;
using LuaPlus::LuaStackObject;
using LuaPlus::LuaState;

namespace {

// Generous bounds that only a deadlock reaches.
const DWORD kDeadlockWait = 20000;

HANDLE blockEntered = nullptr;
HANDLE blockRelease = nullptr;

// A script function that blocks until another thread releases it.
int Block(LuaState*, LuaStackObject*)
{
    SetEvent(blockEntered);
    WaitForSingleObject(blockRelease, kDeadlockWait);
    return 0;
}

bool CallGlobal(LuaState* thread, const char* name, double argument)
{
    LuaObject function = thread->GetGlobal(name);
    if (!function.IsFunction())
        return false;
    int height = thread->GetTop();
    LuaCall call = function();
    call << argument;
    bool answer = false;
    if (thread->PCall(call.ArgumentCount(), 1) == 0) {
        LuaObject result = LuaStackObject(thread, thread->GetTop());
        answer = result.IsBoolean() && result.GetBoolean();
    }
    thread->SetTop(height);
    return answer;
}

}  // namespace

TEST_F(BindingTest, AnotherThreadCallsInWhileAScriptFunctionBlocks)
{
    blockEntered = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    blockRelease = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    state->GetGlobals().Register("block", Block);
    ASSERT_EQ(Run("function poke(v) poked = v; return true end"), "");
    LuaState* worker = state->NewThread();
    ASSERT_NE(worker, nullptr);
    EXPECT_EQ(worker->GetMainState(), state);

    std::atomic<bool> answered(false);
    std::thread other([&] {
        if (WaitForSingleObject(blockEntered, kDeadlockWait) != WAIT_OBJECT_0)
            return;
        answered = CallGlobal(worker, "poke", 7);
        SetEvent(blockRelease);
    });
    std::string error = Run("block(); assert(poked == 7, 'the worker did not get in')");
    other.join();
    EXPECT_EQ(error, "");
    EXPECT_TRUE(answered);
    LuaState::DestroyThread(worker);
    CloseHandle(blockEntered);
    CloseHandle(blockRelease);
}

TEST_F(BindingTest, WorkerThreadsSurviveCollectionUntilDestroyed)
{
    LuaState* worker = state->NewThread();
    ASSERT_NE(worker, nullptr);
    ASSERT_EQ(Run("collectgarbage('collect'); function yes() return true end"), "");
    EXPECT_TRUE(CallGlobal(worker, "yes", 0));
    LuaState::DestroyThread(worker);
    ASSERT_EQ(Run("collectgarbage('collect')"), "");
    LuaState* another = state->NewThread();
    ASSERT_NE(another, nullptr);
    EXPECT_TRUE(CallGlobal(another, "yes", 0));
    LuaState::DestroyThread(another);
}

TEST_F(BindingTest, ABusyScriptLetsWorkersInAndCallsAreSerialised)
{
    ASSERT_EQ(Run("counter = 0\n"
                  "function bump() local c = counter; counter = c + 1; return true end"),
              "");
    const int kWorkers = 4;
    const int kCalls = 500;
    std::vector<LuaState*> workers;
    for (int i = 0; i < kWorkers; ++i)
        workers.push_back(state->NewThread());
    std::atomic<int> answered(0);
    std::vector<std::thread> threads;
    for (LuaState* worker : workers) {
        threads.emplace_back([worker, &answered] {
            for (int i = 0; i < kCalls; ++i) {
                if (CallGlobal(worker, "bump", 0))
                    ++answered;
            }
        });
    }
    // The loop calls no C function: only the runtime's yield on each jump
    // lets the workers in.
    std::string error = Run("local spins = 0\n"
                            "while counter < 2000 and spins < 2e9 do spins = spins + 1 end\n"
                            "assert(counter == 2000, 'workers were kept out')");
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(error, "");
    EXPECT_EQ(answered.load(), kWorkers * kCalls);
    EXPECT_EQ(state->GetGlobal("counter").GetInteger(), kWorkers * kCalls);
    for (LuaState* worker : workers)
        LuaState::DestroyThread(worker);
}

namespace {

// Set by the thread that holds the universe's lock just before it lets go.
std::atomic<bool> lockAboutToBeReleased(false);
std::atomic<bool> readAfterRelease(false);
std::atomic<int> readValue(0);

// Reads its argument while another thread holds the lock: the read must
// wait, since that thread may be moving this thread's stack.
int ReadWhileLocked(LuaState*, LuaStackObject* args)
{
    SetEvent(blockEntered);
    if (WaitForSingleObject(blockRelease, kDeadlockWait) != WAIT_OBJECT_0)
        return 0;
    readValue = args[1].GetInteger();
    readAfterRelease = lockAboutToBeReleased.load();
    return 0;
}

}  // namespace

TEST_F(BindingTest, ArgumentReadsWaitForAnotherThreadInTheState)
{
    blockEntered = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    blockRelease = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    state->GetGlobals().Register("readWhileLocked", ReadWhileLocked);
    LuaState* worker = state->NewThread();
    ASSERT_NE(worker, nullptr);
    std::thread other([&] {
        if (WaitForSingleObject(blockEntered, kDeadlockWait) != WAIT_OBJECT_0)
            return;
        worker->Lock();
        SetEvent(blockRelease);
        // Gives a read that does not wait the time to finish first.
        Sleep(200);
        lockAboutToBeReleased = true;
        worker->Unlock();
    });
    EXPECT_EQ(Run("readWhileLocked(41.5)"), "");
    other.join();
    EXPECT_EQ(readValue.load(), 41);
    EXPECT_TRUE(readAfterRelease.load());
    LuaState::DestroyThread(worker);
    CloseHandle(blockEntered);
    CloseHandle(blockRelease);
}

namespace {

// Makes a Lua thread for another OS thread, lets that OS thread take the
// lock, and only then reads its own argument: a universe that just got its
// second OS thread is guarded from that moment, within the same call.
int ReadAfterMakingAWorker(LuaState* state, LuaStackObject* args)
{
    LuaState* worker = state->NewThread();
    if (worker == nullptr)
        return 0;
    HANDLE locked = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::thread other([&] {
        worker->Lock();
        SetEvent(locked);
        // Gives a read that does not wait the time to finish first.
        Sleep(200);
        lockAboutToBeReleased = true;
        worker->Unlock();
    });
    if (WaitForSingleObject(locked, kDeadlockWait) == WAIT_OBJECT_0) {
        readValue = args[1].GetInteger();
        readAfterRelease = lockAboutToBeReleased.load();
    }
    other.join();
    CloseHandle(locked);
    LuaState::DestroyThread(worker);
    return 0;
}

}  // namespace

TEST_F(BindingTest, ReadsWaitForAWorkerMadeDuringTheSameCall)
{
    lockAboutToBeReleased = false;
    readAfterRelease = false;
    state->GetGlobals().Register("readAfterMakingAWorker", ReadAfterMakingAWorker);
    EXPECT_EQ(Run("readAfterMakingAWorker(12.5)"), "");
    EXPECT_EQ(readValue.load(), 12);
    EXPECT_TRUE(readAfterRelease.load());
}
