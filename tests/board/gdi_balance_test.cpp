// Every GDI object and device context the plugin takes is given back: the
// picture with its board, pens, brushes and memory contexts with each
// drawing step, whatever the attributes asked for.
#include "board_test_support.h"
#include "gdi_ledger.h"

#include <climits>

namespace {

using GdiBalanceTest = BoardTest;

TEST_F(GdiBalanceTest, BoardsGiveBackEverythingTheyTook)
{
    GdiLedger ledger(plugin->Module());
    for (int i = 0; i < 30; ++i) {
        HWND frame = Open(5, i);
        ASSERT_TRUE(frame);
        HWND canvas = CanvasOf(frame);
        State(frame)->fillEnabled = i % 2;
        State(frame)->penEnabled = i % 3 != 0;
        for (int tool : {CmdToolFreehand, CmdToolLine, CmdToolRectangle, CmdToolEllipse}) {
            SendMessageA(frame, WM_COMMAND, tool, 0);
            Stroke(canvas, {{10, 10}, {60, 40}, {80, 70}});
        }
        SendMessageA(canvas, WM_VSCROLL, SB_PAGEDOWN, 0);
        SendMessageA(frame, WM_COMMAND, CmdClear, 0);  // clear
        Send(MsgRequestFillEnabled, i, 1, 5);
        plugin->SendDraw(MsgDrawLine, 5, i, 0, 0, 100, 100);
        plugin->SendDraw(MsgDrawEllipse, 5, i, 0, 0, 100, 100);
        plugin->SendDraw(MsgDrawRectangle, 5, i, 0, 0, 100, 100);
        UpdateWindow(canvas);
        PumpMessages();
        EXPECT_EQ(0, ledger.OpenWindowContexts()) << i;
        EXPECT_EQ(0u, ledger.LiveMemoryContexts()) << i;
        // While open, the board holds exactly its picture.
        EXPECT_EQ(1u, ledger.LiveObjects()) << i;
        if (i % 2) {
            SendMessageA(frame, WM_CLOSE, 0, 0);
        } else {
            Send(MsgUiEnd);
            Send(MsgUiStart);  // boards open only while the user interface runs
        }
        PumpMessages();
        EXPECT_EQ(0u, ledger.LiveObjects()) << i;
    }
    EXPECT_GT(ledger.CreatedObjects(), 30u * 10);
    EXPECT_EQ(0u, ledger.DeletedWhileSelected());
}

TEST_F(GdiBalanceTest, ExtremeRequestAttributesTakeNothingForGood)
{
    HWND frame = Open(7, 42);
    ASSERT_TRUE(frame);
    GdiLedger ledger(plugin->Module());
    const int32_t widths[] = {INT_MIN, -5, 0, 100000, INT_MAX};
    const COLORREF colours[] = {0xFFFFFFFFu, 0x01000005u, 0x02FF0000u, 0x80808080u};
    for (int32_t width : widths)
        for (COLORREF colour : colours) {
            Send(MsgRequestPenWidth, 42, width, 7);
            Send(MsgRequestPenColor, 42, static_cast<int32_t>(colour), 7);
            Send(MsgRequestFillColor, 42, static_cast<int32_t>(colour), 7);
            Send(MsgRequestFillEnabled, 42, 1, 7);
            plugin->SendDraw(MsgDrawLine, 7, 42, 10, 10, 20, 20);
            plugin->SendDraw(MsgDrawRectangle, 7, 42, 10, 10, 20, 20);
            plugin->SendDraw(MsgDrawEllipse, 7, 42, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
            plugin->SendDraw(MsgDrawLine, 7, 42, INT_MAX, INT_MIN, INT_MIN, INT_MAX);
        }
    EXPECT_EQ(1, Send(MsgBoardState, 42, 0, 7));
    EXPECT_GT(ledger.CreatedObjects(), 0u);
    EXPECT_EQ(0u, ledger.LiveObjects());
    EXPECT_EQ(0, ledger.OpenWindowContexts());
    EXPECT_EQ(0u, ledger.LiveMemoryContexts());
    EXPECT_EQ(0u, ledger.DeletedWhileSelected());
}

}  // namespace
