// A host that ends the user interface and frees the plugin from inside one
// of a board's modal loops, from a timer of its own that the loop
// dispatches: the loop returns into code that is still loaded, and the
// module goes once none of its code runs any more.
#include "board_test_support.h"
#include "real_input.h"

#include <cstdint>

namespace {

enum class Loop { ContextMenu, SaveDialog, ColourDialog };

class PluginFreedInALoopTest : public BoardTest, public ::testing::WithParamInterface<Loop> {
protected:
    // The host's timer: once a window of the loop shows, the user interface
    // ends and the plugin is freed.
    static void CALLBACK EndAndFree(HWND, UINT, UINT_PTR timer, DWORD)
    {
        if (!AwaitWindow(gLoopWindowClass, nullptr, 1))
            return;
        KillTimer(nullptr, timer);
        EXPECT_EQ(1, gTest->Send(MsgUiEnd));
        gTest->plugin.reset();
    }

    static PluginFreedInALoopTest* gTest;
    static const char* gLoopWindowClass;
};

PluginFreedInALoopTest* PluginFreedInALoopTest::gTest = nullptr;
const char* PluginFreedInALoopTest::gLoopWindowClass = nullptr;

// Faults of code run where the plugin's image lay. The system swallows
// some of them (out of a window procedure a menu called), so they are
// counted as they are raised.
uintptr_t gImageStart = 0, gImageEnd = 0;
LONG gFaultsInImage = 0;

LONG CALLBACK CountFaultInImage(EXCEPTION_POINTERS* exception)
{
    const uintptr_t at = reinterpret_cast<uintptr_t>(exception->ExceptionRecord->ExceptionAddress);
    if (exception->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && at >= gImageStart && at < gImageEnd)
        ++gFaultsInImage;
    return EXCEPTION_CONTINUE_SEARCH;
}

TEST_P(PluginFreedInALoopTest, LoopReturnsIntoLoadedCodeAndTheModuleGoesAfterIt)
{
    HWND frame = Open(772, 1);
    ASSERT_TRUE(frame);
    HWND canvas = CanvasOf(frame);
    SetForegroundWindow(frame);
    PumpMessages();
    const HMODULE module = plugin->Module();
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, sizeof path);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const char*>(module) + dos->e_lfanew);
    gImageStart = reinterpret_cast<uintptr_t>(module);
    gImageEnd = gImageStart + nt->OptionalHeader.SizeOfImage;
    gFaultsInImage = 0;
    void* faults = AddVectoredExceptionHandler(1, CountFaultInImage);

    gTest = this;
    gLoopWindowClass = GetParam() == Loop::ContextMenu ? "#32768" : "#32770";
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, EndAndFree);
    switch (GetParam()) {
    case Loop::ContextMenu:
        MouseAt(canvas, 200, 200, MOUSEEVENTF_RIGHTDOWN);
        MouseAt(canvas, 200, 200, MOUSEEVENTF_RIGHTUP);
        break;
    case Loop::SaveDialog:
        PressKeys({VK_CONTROL, 'S'});
        break;
    case Loop::ColourDialog:
        // What choosing "inny..." in the pen colour menu sends.
        PostMessageA(frame, MsgSetPenColor, MenuColorOther, 0);
        break;
    }
    // The loop runs inside one of these messages until the host ends it.
    PumpUntil([&] { return !plugin; });
    KillTimer(nullptr, timer);
    RemoveVectoredExceptionHandler(faults);
    ASSERT_FALSE(plugin) << "the host saw the loop and freed the plugin";
    EXPECT_EQ(0, gFaultsInImage) << "the loop returned into code that was gone";
    EXPECT_TRUE(BoardFrames().empty());
    PumpUntil([&] { return !GetModuleHandleA(path); });
    EXPECT_FALSE(GetModuleHandleA(path)) << "the module is let go";
    // The classes of the module that went, as the fixture drops them.
    for (const char* name : {BoardFrameClassName, CanvasClassName, SizePickerClassName})
        UnregisterClassA(name, module);
}

INSTANTIATE_TEST_SUITE_P(Loops, PluginFreedInALoopTest,
                         ::testing::Values(Loop::ContextMenu, Loop::SaveDialog, Loop::ColourDialog));

}  // namespace
