// Which record a board's windows work on: every window of a board reaches
// the record of the frame it belongs to, and a canvas or picker made under a
// window that is not a board frame takes nothing from that window's user
// data (which belongs to someone else) and writes nothing into it.
#include "board_controls_support.h"

#include <cstring>

namespace {

const char StrangerClassName[] = "board_reach_test_stranger";

LRESULT CALLBACK StrangerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

// A top-level window of another program whose user data points at a
// record-sized block of its own.
class Stranger {
public:
    Stranger()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = StrangerProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = StrangerClassName;
        RegisterClassA(&windowClass);
        std::memset(&data_, 0x5A, sizeof data_);
        window_ = CreateWindowExA(0, StrangerClassName, "stranger", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 500, 400,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&data_));
    }
    ~Stranger()
    {
        DestroyWindow(window_);
        UnregisterClassA(StrangerClassName, GetModuleHandleA(nullptr));
    }
    Stranger(const Stranger&) = delete;
    Stranger& operator=(const Stranger&) = delete;

    HWND Window() const { return window_; }
    bool Untouched() const
    {
        BoardWindowState expected;
        std::memset(&expected, 0x5A, sizeof expected);
        return std::memcmp(&expected, &data_, sizeof data_) == 0;
    }

private:
    HWND window_ = nullptr;
    BoardWindowState data_;
};

using BoardReachTest = BoardControlsTest;

TEST_F(BoardReachTest, EveryWindowOfABoardWorksOnItsOwnBoard)
{
    HWND first = Open(1, 1);
    HWND second = Open(1, 2);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);

    // The picker (three windows down) and the canvas (one down) of the second
    // board change the second board only.
    SendMessageA(second, MsgSetPenColor, MenuColorRed, 0);
    NMUPDOWN change = {};
    change.hdr.hwndFrom = GetDlgItem(Picker(second), IdSizeSpin);
    change.hdr.idFrom = IdSizeSpin;
    change.hdr.code = UDN_DELTAPOS;
    change.iPos = 0;
    change.iDelta = 3;
    EXPECT_EQ(0, SendMessageA(Picker(second), WM_NOTIFY, IdSizeSpin, reinterpret_cast<LPARAM>(&change)));
    EXPECT_EQ(4, State(second)->penWidth);
    EXPECT_EQ(1, State(first)->penWidth);

    Stroke(CanvasOf(second), {{20, 20}, {120, 20}});
    EXPECT_GT(BoardPicture(State(second)->canvasBitmap).Count(0xE82D17), 0);
    EXPECT_EQ(0, BoardPicture(State(first)->canvasBitmap).CountNotWhite());
}

TEST_F(BoardReachTest, CanvasUnderAnotherWindowLeavesItsUserDataAlone)
{
    Stranger stranger;
    HWND canvas = CreateWindowExA(0, CanvasClassName, nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, 0, 0,
                                  300, 200, stranger.Window(), nullptr, plugin->Module(), nullptr);
    ASSERT_TRUE(canvas);
    SendMessageA(canvas, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    Press(canvas, 10, 10);
    MoveTo(canvas, 50, 60);
    Release(canvas, 50, 60);
    SendMessageA(canvas, WM_COMMAND, CmdClear, 0);
    RedrawWindow(canvas, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpMessages();
    EXPECT_TRUE(stranger.Untouched());
    EXPECT_NE(canvas, GetCapture());  // no stroke began
    DestroyWindow(canvas);
    EXPECT_TRUE(stranger.Untouched());
}

TEST_F(BoardReachTest, PickerUnderAnotherWindowLeavesItsUserDataAlone)
{
    Stranger stranger;
    HWND picker = CreateWindowExA(0, SizePickerClassName, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 100, 24,
                                  stranger.Window(), nullptr, plugin->Module(), nullptr);
    ASSERT_TRUE(picker);
    NMUPDOWN change = {};
    change.hdr.hwndFrom = GetDlgItem(picker, IdSizeSpin);
    change.hdr.idFrom = IdSizeSpin;
    change.hdr.code = UDN_DELTAPOS;
    change.iDelta = 1;
    SendMessageA(picker, WM_NOTIFY, IdSizeSpin, reinterpret_cast<LPARAM>(&change));
    RedrawWindow(picker, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpMessages();
    EXPECT_TRUE(stranger.Untouched());
    DestroyWindow(picker);
}

}  // namespace
