// Everything a board holds goes with it: its picture, its GDI objects, and
// any mouse drag that was drawing on it.
#include "board_test_support.h"

#include "pe_image.h"
#include "windows/canvas_window.h"

namespace {

using BoardLifetimeTest = BoardTest;

TEST_F(BoardLifetimeTest, PictureIsDeletedWhenTheBoardCloses)
{
    HWND frame = Open(1, 1);
    ASSERT_TRUE(frame);
    const HBITMAP picture = State(frame)->canvasBitmap;
    ASSERT_EQ(OBJ_BITMAP, GetObjectType(picture));
    SendMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, GetObjectType(picture));

    // Also when the user interface ends, and when the window is destroyed
    // without being closed.
    HWND first = Open(2, 1);
    HWND second = Open(2, 2);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    const HBITMAP firstPicture = State(first)->canvasBitmap;
    const HBITMAP secondPicture = State(second)->canvasBitmap;
    DestroyWindow(first);
    EXPECT_EQ(0u, GetObjectType(firstPicture));
    Send(MsgUiEnd);
    EXPECT_EQ(0u, GetObjectType(secondPicture));
}

TEST_F(BoardLifetimeTest, NothingAccumulatesOverManyBoards)
{
    const DWORD gdiAtStart = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    DWORD gdiAfterFirst = 0;
    for (int i = 0; i < 50; ++i) {
        HWND frame = Open(3, i);
        ASSERT_TRUE(frame);
        HWND canvas = CanvasOf(frame);
        // A stroke of every tool, with a filled shape, on every board.
        State(frame)->fillEnabled = 1;
        for (int tool : {CmdToolFreehand, CmdToolLine, CmdToolRectangle, CmdToolEllipse}) {
            SendMessageA(frame, WM_COMMAND, tool, 0);
            Stroke(canvas, {{10, 10}, {60, 40}, {80, 70}});
        }
        const HBITMAP picture = State(frame)->canvasBitmap;
        if (i % 2) {
            SendMessageA(frame, WM_CLOSE, 0, 0);
        } else {
            Send(MsgUiEnd);
            Send(MsgUiStart);  // boards open only while the user interface runs
        }
        PumpMessages();
        ASSERT_EQ(0u, GetObjectType(picture)) << i;
        ASSERT_TRUE(BoardFrames().empty());
        if (i == 0)
            gdiAfterFirst = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    }
    const DWORD gdiAtEnd = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    // Where the system counts GDI objects (Wine reports 0): the first board
    // may leave lasting objects of the system (class and theme resources);
    // the next 49 may not add to them.
    if (gdiAtStart != 0 || gdiAtEnd != 0) {
        EXPECT_LE(gdiAtEnd, gdiAfterFirst + 5) << "from " << gdiAtStart;
    }
}

TEST_F(BoardLifetimeTest, BoardClosedMidDragLeavesNoDragBehind)
{
    CanvasDrag* drag = ModuleGlobal<CanvasDrag>(plugin->Module(), "gCanvasDrag");
    ASSERT_TRUE(drag);
    HWND closing = Open(1, 1);
    HWND other = Open(1, 2);
    ASSERT_TRUE(closing);
    ASSERT_TRUE(other);
    for (int tool : {CmdToolFreehand, CmdToolLine}) {
        SendMessageA(closing, WM_COMMAND, tool, 0);
        Press(CanvasOf(closing), 50, 50);
        MoveTo(CanvasOf(closing), 80, 60);
        EXPECT_EQ(State(closing), drag->board);
        SendMessageA(closing, WM_CLOSE, 0, 0);
        ASSERT_FALSE(IsWindow(closing));
        EXPECT_EQ(nullptr, drag->board);

        // The rest of the gesture arrives at another board: nothing happens.
        HWND canvas = CanvasOf(other);
        MoveTo(canvas, 120, 90);
        Release(canvas, 120, 90);
        PumpMessages();
        EXPECT_EQ(0, BoardPicture(State(other)->canvasBitmap).CountNotWhite());
        closing = Open(1, 1);
        ASSERT_TRUE(closing);
    }
}

TEST_F(BoardLifetimeTest, MovesOnAnotherCanvasDoNotDrawOnTheDraggedBoard)
{
    HWND first = Open(1, 1);
    HWND second = Open(1, 2);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    Press(CanvasOf(first), 50, 50);
    MoveTo(CanvasOf(second), 90, 50);
    Release(CanvasOf(second), 90, 50);
    EXPECT_EQ(0, BoardPicture(State(first)->canvasBitmap).CountNotWhite());
    EXPECT_EQ(0, BoardPicture(State(second)->canvasBitmap).CountNotWhite());
    // The drag is still the first board's and ends there.
    MoveTo(CanvasOf(first), 90, 50);
    Release(CanvasOf(first), 90, 50);
    EXPECT_GT(BoardPicture(State(first)->canvasBitmap).CountNotWhite(), 30);
}

TEST_F(BoardLifetimeTest, CanvasClosedOnItsOwnLeavesTheBoardUsable)
{
    HWND frame = Open(1, 1);
    ASSERT_TRUE(frame);
    HWND canvas = CanvasOf(frame);
    const HBITMAP picture = State(frame)->canvasBitmap;
    SendMessageA(canvas, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(canvas));
    EXPECT_EQ(0u, GetObjectType(picture));
    EXPECT_EQ(nullptr, State(frame)->canvasBitmap);
    EXPECT_EQ(nullptr, State(frame)->canvasWindow);
    // Commands and resizing no longer reach a canvas; closing still works.
    SendMessageA(frame, WM_COMMAND, CmdClear, 0);
    MoveWindow(frame, 10, 10, 500, 400, TRUE);
    PumpMessages();
    SendMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(frame));
}

}  // namespace
