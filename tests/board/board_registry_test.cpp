// Opening and closing boards through the plugin's entry point: one window
// per key, key order, titles and the end of the user interface.
#include "board_test_support.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using Key = std::pair<int32_t, int32_t>;  // (net, contact)

// Every WM_CLOSE that reaches a board frame on this thread, in order.
std::vector<HWND> gClosedFrames;

LRESULT CALLBACK RecordClose(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_CLOSE) {
        if (IsBoardFrame(call->hwnd))
            gClosedFrames.push_back(call->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class CloseRecorder {
public:
    CloseRecorder()
    {
        gClosedFrames.clear();
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, RecordClose, nullptr, GetCurrentThreadId());
    }
    ~CloseRecorder() { UnhookWindowsHookEx(hook_); }
    bool Installed() const { return hook_ != nullptr; }

private:
    HHOOK hook_;
};

std::string Title(HWND window)
{
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    return title;
}

// True when `upper` lies above `lower` in the Z order of top-level windows.
bool IsAbove(HWND upper, HWND lower)
{
    for (HWND window = GetWindow(upper, GW_HWNDNEXT); window; window = GetWindow(window, GW_HWNDNEXT))
        if (window == lower)
            return true;
    return false;
}

using BoardRegistryTest = BoardTest;

TEST_F(BoardRegistryTest, OneWindowPerKeyRestoredAndBroughtToTop)
{
    HWND first = Open(1, 5, "Ala");
    HWND second = Open(1, -3, "Ola");
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_NE(first, second);  // (1, 5) and (1, -3) are different boards
    ShowWindow(first, SW_MINIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsIconic(first));
    ASSERT_TRUE(IsAbove(second, first));

    EXPECT_EQ(first, Open(1, 5, "Inna"));
    EXPECT_EQ(2u, BoardFrames().size());
    EXPECT_FALSE(IsIconic(first));
    EXPECT_FALSE(IsZoomed(first));
    EXPECT_TRUE(IsWindowVisible(first));
    EXPECT_TRUE(IsAbove(first, second));
    EXPECT_EQ("Grafika - Ala", Title(first));  // the name of a second open is not used
}

TEST_F(BoardRegistryTest, TitlesIncludingTheEmptyAndTheMissingName)
{
    EXPECT_EQ("Grafika - Ala Nowak", Title(Open(3, 4, "Ala Nowak")));
    EXPECT_EQ("Grafika - ", Title(Open(3, 5, "")));
    EXPECT_EQ("Grafika - ", Title(Open(3, 6, nullptr)));
    const std::string polish = "Gra\xBF"
                               "yna";  // code page 1250 passes through unchanged
    EXPECT_EQ("Grafika - " + polish, Title(Open(3, 7, polish.c_str())));
}

TEST_F(BoardRegistryTest, NewBoardRecordAndWindow)
{
    HWND frame = Open(-7, 42);
    ASSERT_TRUE(frame);
    const BoardWindowState* state = State(frame);
    ASSERT_TRUE(state);
    EXPECT_EQ(42, state->contact);
    EXPECT_EQ(-7, state->net);
    EXPECT_EQ(ToolFreehand, state->tool);
    EXPECT_EQ(1, state->penWidth);
    EXPECT_EQ(0u, state->penColor);
    EXPECT_EQ(1, state->penEnabled);
    EXPECT_EQ(0u, state->fillColor);
    EXPECT_EQ(0, state->fillEnabled);
    EXPECT_EQ(OBJ_BITMAP, GetObjectType(state->canvasBitmap));
    EXPECT_EQ(1, state->requestPenWidth);
    EXPECT_EQ(0u, state->requestPenColor);
    EXPECT_EQ(1, state->requestPenEnabled);
    EXPECT_EQ(0u, state->requestFillColor);
    EXPECT_EQ(0, state->requestFillEnabled);

    ASSERT_TRUE(state->canvasWindow);
    EXPECT_EQ(frame, GetParent(state->canvasWindow));
    char name[32] = {};
    GetClassNameA(state->canvasWindow, name, sizeof name);
    EXPECT_STREQ(CanvasClassName, name);
    const LONG canvasStyle = GetWindowLongA(state->canvasWindow, GWL_STYLE);
    EXPECT_EQ(static_cast<LONG>(WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL),
              canvasStyle & (WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL));
    EXPECT_EQ(GetDlgItem(frame, IdRebar), state->rebarWindow);

    // Caption, system menu, sizing border and minimize box; no maximize.
    const LONG style = GetWindowLongA(frame, GWL_STYLE);
    EXPECT_EQ(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX, style & 0x00CF0000);
    EXPECT_EQ(static_cast<UINT>(-1), GetMenuState(GetSystemMenu(frame, FALSE), SC_MAXIMIZE, MF_BYCOMMAND));
    EXPECT_NE(static_cast<UINT>(-1), GetMenuState(GetSystemMenu(frame, FALSE), SC_MINIMIZE, MF_BYCOMMAND));
}

TEST_F(BoardRegistryTest, CloseAllBoardsClosesEachOnceSmallestKeyFirst)
{
    const std::vector<Key> opened = {{1, 5}, {0, 0}, {1, -3}, {-1, 100}};
    for (const Key& key : opened)
        ASSERT_TRUE(Open(key.first, key.second));
    const std::vector<Key> expected = {{-1, 100}, {0, 0}, {1, -3}, {1, 5}};
    std::vector<HWND> expectedFrames;
    for (const Key& key : expected)
        expectedFrames.push_back(FrameOf(key.first, key.second));

    CloseRecorder recorder;
    ASSERT_TRUE(recorder.Installed());
    EXPECT_EQ(1, Send(MsgUiEnd));
    EXPECT_EQ(expectedFrames, gClosedFrames);
    EXPECT_TRUE(BoardFrames().empty());
}

TEST_F(BoardRegistryTest, CloseAllBoardsOnNoBoardSendsNothing)
{
    CloseRecorder recorder;
    ASSERT_TRUE(recorder.Installed());
    EXPECT_EQ(1, Send(MsgUiEnd));
    EXPECT_TRUE(gClosedFrames.empty());
}

TEST_F(BoardRegistryTest, ClosedBoardLeavesTheRegistry)
{
    HWND frame = Open(2, 2);
    ASSERT_TRUE(frame);
    EXPECT_EQ(0, SendMessageA(frame, WM_CLOSE, 0, 0));
    EXPECT_FALSE(IsWindow(frame));

    // Opening it again makes a new window with a fresh record; closing all
    // afterwards closes only that one.
    HWND again = Open(2, 2, "Nowa");
    ASSERT_TRUE(again);
    EXPECT_EQ("Grafika - Nowa", Title(again));
    CloseRecorder recorder;
    Send(MsgUiEnd);
    EXPECT_EQ(std::vector<HWND> {again}, gClosedFrames);
}

WNDPROC gOriginalFrameProc = nullptr;

// A frame that ignores WM_CLOSE and so never removes its entry itself.
LRESULT CALLBACK IgnoreClose(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE)
        return 0;
    return CallWindowProcA(gOriginalFrameProc, window, message, wParam, lParam);
}

TEST_F(BoardRegistryTest, CloseAllBoardsEndsWhenAWindowKeepsItsEntry)
{
    HWND stubborn = Open(1, 1);
    HWND normal = Open(2, 1);
    ASSERT_TRUE(stubborn);
    ASSERT_TRUE(normal);
    gOriginalFrameProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(stubborn, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(IgnoreClose)));

    CloseRecorder recorder;
    EXPECT_EQ(1, Send(MsgUiEnd));
    EXPECT_EQ((std::vector<HWND> {stubborn, normal}), gClosedFrames);
    EXPECT_TRUE(BoardFrames().empty());  // no board window outlives the user interface
}

TEST_F(BoardRegistryTest, BoardDestroyedBehindTheRegistrysBack)
{
    HWND gone = Open(4, 4);
    HWND other = Open(5, 5);
    ASSERT_TRUE(gone);
    ASSERT_TRUE(other);
    DestroyWindow(gone);
    ASSERT_FALSE(IsWindow(gone));

    // Messages for the vanished board find nothing to touch.
    EXPECT_EQ(0, Send(MsgBoardState, 4, 0, 4));
    EXPECT_EQ(0, Send(MsgFlashBoard, 4, 0, 4));
    EXPECT_EQ(0, Send(MsgRequestPenColor, 4, 0xFF, 4));

    // Opening it again creates a live window rather than showing the dead one.
    HWND again = Open(4, 4, "Znowu");
    ASSERT_TRUE(again);
    EXPECT_TRUE(IsWindowVisible(again));
    EXPECT_EQ("Grafika - Znowu", Title(again));

    CloseRecorder recorder;
    EXPECT_EQ(1, Send(MsgUiEnd));
    EXPECT_EQ((std::vector<HWND> {again, other}), gClosedFrames);
    EXPECT_TRUE(BoardFrames().empty());
}

TEST_F(BoardRegistryTest, PlacementComesFromTheSettings)
{
    host.config[ColBoardX] = 30;
    host.config[ColBoardY] = 40;
    host.config[ColBoardWidth] = 500;
    host.config[ColBoardHeight] = 350;
    host.calls.clear();
    HWND frame = Open(9, 9);
    ASSERT_TRUE(frame);
    RECT window;
    GetWindowRect(frame, &window);
    EXPECT_EQ(30, window.left);
    EXPECT_EQ(40, window.top);
    EXPECT_EQ(500, window.right - window.left);
    EXPECT_EQ(350, window.bottom - window.top);

    std::vector<int> read;
    for (const HostCall& call : host.CallsOf(HostCall::Get))
        if (call.table == TableConfig)
            read.push_back(call.column);
    EXPECT_EQ((std::vector<int> {ColBoardX, ColBoardY, ColBoardWidth, ColBoardHeight}), read);
}

TEST_F(BoardRegistryTest, DefaultPlacementLetsTheSystemChoose)
{
    host.config[ColBoardX] = static_cast<int32_t>(0x80000000);
    host.config[ColBoardY] = static_cast<int32_t>(0x80000000);
    host.config[ColBoardWidth] = 400;
    host.config[ColBoardHeight] = 300;
    HWND frame = Open(9, 10);
    ASSERT_TRUE(frame);
    RECT window;
    GetWindowRect(frame, &window);
    EXPECT_EQ(400, window.right - window.left);
    EXPECT_EQ(300, window.bottom - window.top);
    EXPECT_GT(window.left, -1000);  // a real position, not the CW_USEDEFAULT marker
}

}  // namespace
