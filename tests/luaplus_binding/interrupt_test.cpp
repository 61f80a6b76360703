// LuaState::Interrupt from another OS thread ends Lua code that would run
// for good, also code that catches errors, and leaves other threads alone;
// InterruptOsThread does so for whatever Lua code one OS thread runs,
// coroutines included, until its mark is lifted.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "binding_fixture.h"

using LuaPlus::LuaObject;
using LuaPlus::LuaStackObject;
using LuaPlus::LuaState;

namespace {

const DWORD kDeadlockWait = 20000;

HANDLE gLoopStarted = nullptr;

int Started(LuaState*, LuaStackObject*)
{
    SetEvent(gLoopStarted);
    return 0;
}

// Runs `text` on its own Lua thread and OS thread; answers the error message
// once the code ends ("" if it ended without one).
struct LoopRunner {
    LuaState* thread = nullptr;
    std::string error;
    std::atomic<bool> ended {false};
    std::atomic<DWORD> osThreadId {0};
    std::thread runner;

    LoopRunner(LuaState* state, const char* text) : thread(state->NewThread())
    {
        runner = std::thread([this, text] {
            osThreadId = GetCurrentThreadId();
            if (thread->LoadText(text) != 0 || thread->PCall(0, 0) != 0) {
                const char* message = thread->Stack(-1).GetString();
                error = message != nullptr ? message : "(no message)";
            }
            ended = true;
        });
    }
    ~LoopRunner()
    {
        runner.join();
        LuaState::DestroyThread(thread);
    }

    bool WaitForEnd()
    {
        for (DWORD waited = 0; !ended && waited < kDeadlockWait; waited += 5)
            Sleep(5);
        return ended;
    }
};

}  // namespace

TEST_F(BindingTest, InterruptEndsRunningLuaCodeFromAnotherThread)
{
    gLoopStarted = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    state->GetGlobals().Register("started", Started);
    const char* loops[] = {
        "started() while true do end",
        "started() while true do pcall(function() for i = 1, 100 do end end) end",
        "started() while true do pcall(error, 'caught') end",
    };
    for (const char* loop : loops) {
        ResetEvent(gLoopStarted);
        LoopRunner runner(state, loop);
        ASSERT_EQ(WaitForSingleObject(gLoopStarted, kDeadlockWait), WAIT_OBJECT_0) << loop;
        EXPECT_FALSE(runner.ended) << loop;
        runner.thread->Interrupt();
        ASSERT_TRUE(runner.WaitForEnd()) << loop;
        EXPECT_NE(runner.error.find("interrupted"), std::string::npos) << loop << ": " << runner.error;
    }
    // The main thread was not interrupted: it still runs code.
    EXPECT_EQ(Run("local n = 0 for i = 1, 1000 do n = n + i end assert(n == 500500)"), "");
    CloseHandle(gLoopStarted);
}

TEST_F(BindingTest, InterruptOsThreadEndsLoopsInCoroutinesOfThatThreadOnly)
{
    gLoopStarted = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    state->GetGlobals().Register("started", Started);
    // Coroutines made before the interrupt, which a hook on the OS thread's
    // own Lua thread does not reach.
    const char* loops[] = {
        "started() coroutine.wrap(function() while true do end end)()",
        "started() coroutine.wrap(function() while true do coroutine.wrap(function() end)() end end)()",
        "started() coroutine.wrap(function() while true do pcall(error, 'caught') end end)()",
        "parked = coroutine.create(function() while true do coroutine.yield() end end)\n"
        "started() while true do coroutine.resume(parked) end",
    };
    for (const char* loop : loops) {
        ResetEvent(gLoopStarted);
        LoopRunner runner(state, loop);
        ASSERT_EQ(WaitForSingleObject(gLoopStarted, kDeadlockWait), WAIT_OBJECT_0) << loop;
        ASSERT_TRUE(state->InterruptOsThread(runner.osThreadId)) << loop;
        ASSERT_TRUE(runner.WaitForEnd()) << loop;
        EXPECT_NE(runner.error.find("interrupted"), std::string::npos) << loop << ": " << runner.error;
        // Marked or not, the main OS thread runs its code.
        EXPECT_EQ(Run("local n = 0 for i = 1, 1000 do n = n + i end assert(n == 500500)"), "") << loop;
        state->EndOsThreadInterrupt(runner.osThreadId);
        // Unmarked, the Lua thread the mark reached runs code again.
        ASSERT_EQ(runner.thread->LoadText("local n = 0 for i = 1, 10 do n = n + i end"), 0) << loop;
        EXPECT_EQ(runner.thread->PCall(0, 0), 0) << loop;
    }
    CloseHandle(gLoopStarted);
}
