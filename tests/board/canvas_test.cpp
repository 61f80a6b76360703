// The drawing canvas through real window messages and the real cursor:
// strokes of every tool read back from the board's bitmap, scrolling and
// clearing.
#include "board_test_support.h"

#include "pe_image.h"

#include <vector>

namespace {

const uint32_t Black = 0x000000;
const uint32_t Red = 0xFF0000;  // as read back: 0xRRGGBB
const uint32_t Blue = 0x0000FF;

class CanvasTest : public BoardTest {
protected:
    // A board whose canvas shows the whole picture (700x600 frame).
    void OpenLarge()
    {
        frame = Open(1, 1);
        ASSERT_TRUE(frame);
        canvas = CanvasOf(frame);
        state = State(frame);
    }
    // A board whose canvas shows only part of the picture.
    void OpenSmall()
    {
        host.config[ColBoardWidth] = 400;
        host.config[ColBoardHeight] = 300;
        OpenLarge();
    }
    BoardPicture Read() const { return BoardPicture(state->canvasBitmap); }
    void Choose(int command) { SendMessageA(frame, WM_COMMAND, command, 0); }
    void ScrollTo(int x, int y)
    {
        SendMessageA(canvas, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, x), 0);
        SendMessageA(canvas, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, y), 0);
        PumpMessages();
    }
    // The pixel shown on screen at client point (x, y) of the canvas.
    uint32_t ScreenAt(int x, int y) const
    {
        HDC dc = GetDC(canvas);
        const COLORREF color = GetPixel(dc, x, y);
        ReleaseDC(canvas, dc);
        return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
    }

    HWND frame = nullptr;
    HWND canvas = nullptr;
    BoardWindowState* state = nullptr;
};

TEST_F(CanvasTest, NewBoardShowsAWhitePictureWithBothBarsDisabled)
{
    OpenLarge();
    const BoardPicture picture = Read();
    ASSERT_TRUE(picture.Valid());
    EXPECT_EQ(0, picture.CountNotWhite());

    RECT client;
    GetClientRect(canvas, &client);
    ASSERT_GE(client.right, PictureWidth);
    ASSERT_GE(client.bottom, PictureHeight);
    for (LONG bar : {static_cast<LONG>(OBJID_HSCROLL), static_cast<LONG>(OBJID_VSCROLL)}) {
        SCROLLBARINFO info = {};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetScrollBarInfo(canvas, bar, &info));
        EXPECT_FALSE(info.rgstate[0] & STATE_SYSTEM_INVISIBLE) << bar;
        EXPECT_TRUE(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) << bar;
    }
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(canvas, SB_HORZ, &info);
    EXPECT_EQ(0, info.nMin);
    EXPECT_EQ(PictureWidth - 1, info.nMax);
    EXPECT_EQ(static_cast<UINT>(PictureWidth), info.nPage);  // the client width, cut to the range by the bar
    GetScrollInfo(canvas, SB_VERT, &info);
    EXPECT_EQ(PictureHeight - 1, info.nMax);
    EXPECT_EQ(static_cast<UINT>(PictureHeight), info.nPage);

    // A smaller canvas gets its client extents as pages.
    MoveWindow(frame, 10, 10, 400, 300, TRUE);
    GetClientRect(canvas, &client);
    GetScrollInfo(canvas, SB_HORZ, &info);
    EXPECT_EQ(static_cast<UINT>(client.right), info.nPage);
    GetScrollInfo(canvas, SB_VERT, &info);
    EXPECT_EQ(static_cast<UINT>(client.bottom), info.nPage);
    SCROLLBARINFO bar = {};
    bar.cbSize = sizeof bar;
    ASSERT_TRUE(GetScrollBarInfo(canvas, OBJID_VSCROLL, &bar));
    EXPECT_FALSE(bar.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
}

TEST_F(CanvasTest, FreehandDrawsBlackOnePixelSegments)
{
    OpenLarge();
    Stroke(canvas, {{10, 10}, {50, 10}, {50, 50}});
    const BoardPicture picture = Read();
    for (int x = 10; x < 50; ++x)
        EXPECT_EQ(Black, picture.At(x, 10)) << x;
    for (int y = 10; y < 50; ++y)
        EXPECT_EQ(Black, picture.At(50, y)) << y;
    EXPECT_TRUE(picture.IsWhite(30, 11));  // one pixel wide
    EXPECT_TRUE(picture.IsWhite(30, 9));
    EXPECT_EQ(0, picture.CountNotWhite(0, 0, PictureWidth, PictureHeight) - picture.CountNotWhite(10, 10, 51, 51));
    // Free-hand goes to the screen at once, without waiting for a paint.
    EXPECT_EQ(Black, ScreenAt(30, 10));
}

TEST_F(CanvasTest, FreehandUsesWidthAndColourWhateverTheOutlineFlag)
{
    OpenLarge();
    state->penWidth = 5;
    state->penColor = RGB(255, 0, 0);
    state->penEnabled = 0;
    Stroke(canvas, {{100, 100}, {200, 100}});
    const BoardPicture picture = Read();
    for (int dy = -2; dy <= 2; ++dy)
        EXPECT_EQ(Red, picture.At(150, 100 + dy)) << dy;
    EXPECT_TRUE(picture.IsWhite(150, 104));
    EXPECT_TRUE(picture.IsWhite(150, 96));
}

TEST_F(CanvasTest, LineEndsAtTheLastMoveNotAtTheRelease)
{
    OpenLarge();
    Choose(CmdToolLine);
    state->penEnabled = 0;  // lines ignore it
    Press(canvas, 100, 100);
    MoveTo(canvas, 150, 200);
    MoveTo(canvas, 300, 100);
    EXPECT_EQ(0, Read().CountNotWhite());  // the preview is on screen only
    Release(canvas, 300, 400);
    PumpMessages();
    const BoardPicture picture = Read();
    for (int x = 100; x < 300; ++x)
        EXPECT_EQ(Black, picture.At(x, 100)) << x;
    EXPECT_EQ(picture.CountNotWhite(), picture.CountNotWhite(100, 100, 301, 101));
    EXPECT_TRUE(picture.IsWhite(300, 250));  // nothing towards the release point
}

TEST_F(CanvasTest, RectangleAndEllipseWithPenWidthColourAndFill)
{
    OpenLarge();
    Choose(CmdToolRectangle);
    state->penWidth = 3;
    state->penColor = RGB(255, 0, 0);
    state->fillEnabled = 1;
    state->fillColor = RGB(0, 0, 255);
    Stroke(canvas, {{50, 60}, {90, 90}, {150, 160}});
    BoardPicture picture = Read();
    EXPECT_EQ(Red, picture.At(100, 60));    // top edge
    EXPECT_EQ(Red, picture.At(100, 61));    // three pixels wide
    EXPECT_EQ(Red, picture.At(50, 100));    // left edge
    EXPECT_EQ(Blue, picture.At(100, 110));  // inside
    EXPECT_TRUE(picture.IsWhite(100, 58));
    EXPECT_TRUE(picture.IsWhite(160, 110));
    EXPECT_TRUE(picture.IsWhite(100, 165));

    Choose(CmdToolEllipse);
    state->penWidth = 1;
    state->penColor = RGB(0, 0, 0);
    state->fillEnabled = 0;
    Stroke(canvas, {{300, 100}, {500, 300}});
    picture = Read();
    EXPECT_TRUE(picture.IsWhite(400, 200));  // hollow
    EXPECT_TRUE(picture.IsWhite(301, 101));  // corner of the box lies outside the ellipse
    EXPECT_EQ(Black, picture.At(400, 100));  // top of the ellipse
    EXPECT_EQ(Black, picture.At(300, 200));  // left of the ellipse
    EXPECT_GT(picture.CountNotWhite(300, 100, 500, 300), 400);
}

TEST_F(CanvasTest, ShapeWithoutOutlineAndFillLeavesThePictureUnchanged)
{
    OpenLarge();
    state->penEnabled = 0;
    state->fillEnabled = 0;
    for (int tool : {CmdToolRectangle, CmdToolEllipse}) {
        Choose(tool);
        Stroke(canvas, {{50, 50}, {200, 200}});
    }
    EXPECT_EQ(0, Read().CountNotWhite());
    Choose(CmdToolLine);
    Stroke(canvas, {{50, 50}, {200, 50}});
    EXPECT_GT(Read().CountNotWhite(), 100);
}

TEST_F(CanvasTest, PreviewIsThinInvertedAndLeavesNoTrace)
{
    OpenLarge();
    state->penWidth = 7;
    state->fillEnabled = 1;
    state->fillColor = RGB(0, 0, 255);
    Choose(CmdToolRectangle);
    UpdateWindow(canvas);
    Press(canvas, 100, 100);
    MoveTo(canvas, 200, 200);
    // One inverted pixel on the white picture, nothing filled.
    EXPECT_EQ(Black, ScreenAt(199, 150));
    EXPECT_EQ(0xFFFFFFu, ScreenAt(198, 150));
    EXPECT_EQ(0xFFFFFFu, ScreenAt(150, 150));
    MoveTo(canvas, 300, 120);
    EXPECT_EQ(0xFFFFFFu, ScreenAt(199, 150));  // the first preview is gone
    EXPECT_EQ(Black, ScreenAt(200, 119));
    EXPECT_EQ(0, Read().CountNotWhite());
    Release(canvas, 300, 120);
    PumpMessages();

    const BoardPicture picture = Read();
    EXPECT_TRUE(picture.IsWhite(199, 150));
    EXPECT_TRUE(picture.IsWhite(150, 199));
    EXPECT_EQ(Black, picture.At(200, 100));
    EXPECT_EQ(Blue, picture.At(200, 110));
    EXPECT_EQ(picture.CountNotWhite(), picture.CountNotWhite(96, 96, 304, 124));
    // The paint shows the committed rectangle and no remainder of the preview.
    EXPECT_EQ(0xFFFFFFu, ScreenAt(199, 150));
    EXPECT_EQ(Blue, ScreenAt(200, 110));
}

TEST_F(CanvasTest, ScrollOffsetAppliesToEveryTool)
{
    OpenSmall();
    ScrollTo(100, 50);
    ASSERT_EQ(100, GetScrollPos(canvas, SB_HORZ));
    ASSERT_EQ(50, GetScrollPos(canvas, SB_VERT));

    Stroke(canvas, {{10, 20}, {30, 20}});
    BoardPicture picture = Read();
    EXPECT_EQ(Black, picture.At(110, 70));
    EXPECT_EQ(Black, picture.At(129, 70));
    EXPECT_TRUE(picture.IsWhite(10, 20));
    EXPECT_EQ(20, picture.CountNotWhite());

    Choose(CmdToolLine);
    Stroke(canvas, {{10, 40}, {60, 40}});
    Choose(CmdToolRectangle);
    Stroke(canvas, {{10, 60}, {60, 100}});
    picture = Read();
    EXPECT_EQ(Black, picture.At(135, 90));   // the line, at picture y 90
    EXPECT_EQ(Black, picture.At(110, 120));  // the rectangle's left edge at x 110
    EXPECT_EQ(Black, picture.At(135, 149));  // its bottom edge at y 149
    EXPECT_TRUE(picture.IsWhite(35, 40));
}

TEST_F(CanvasTest, MovesTakeThePositionFromTheCursor)
{
    OpenLarge();
    Choose(CmdToolLine);
    Press(canvas, 100, 100);
    // The message claims another point than the cursor's; the cursor wins,
    // also outside the client area while the mouse is captured.
    PointAt(canvas, -20, 100);
    SendMessageA(canvas, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(400, 400));
    Release(canvas, -20, 100);
    PumpMessages();
    const BoardPicture picture = Read();
    EXPECT_EQ(Black, picture.At(0, 100));
    EXPECT_EQ(Black, picture.At(50, 100));
    EXPECT_EQ(picture.CountNotWhite(), picture.CountNotWhite(0, 100, 101, 101));
}

TEST_F(CanvasTest, MovesWithoutTheButtonAndStrayReleasesDoNothing)
{
    OpenLarge();
    Release(canvas, 50, 50);
    PointAt(canvas, 60, 60);
    SendMessageA(canvas, WM_MOUSEMOVE, 0, MAKELPARAM(60, 60));
    PumpMessages();
    EXPECT_EQ(0, Read().CountNotWhite());

    Press(canvas, 100, 100);
    PointAt(canvas, 200, 100);
    SendMessageA(canvas, WM_MOUSEMOVE, 0, MAKELPARAM(200, 100));  // button up meanwhile: ignored
    MoveTo(canvas, 100, 150);
    Release(canvas, 100, 150);
    const BoardPicture picture = Read();
    EXPECT_TRUE(picture.IsWhite(150, 100));
    EXPECT_EQ(Black, picture.At(100, 120));
}

TEST_F(CanvasTest, CommandDropsTheStroke)
{
    OpenLarge();
    const int commands[] = {CmdToolLine, 999};  // a tool, and an id no button has
    for (int command : commands) {
        Choose(CmdToolLine);
        Press(canvas, 100, 100);
        EXPECT_EQ(canvas, GetCapture());
        MoveTo(canvas, 200, 150);
        Choose(command);
        EXPECT_EQ(canvas, GetCapture());  // kept while the button is down
        MoveTo(canvas, 250, 200);
        Release(canvas, 250, 200);
        PumpMessages();
        EXPECT_EQ(0, Read().CountNotWhite()) << command;
        // The release ends the capture the dropped stroke kept.
        EXPECT_NE(canvas, GetCapture());
    }
    // A free-hand stroke drops its remaining segments too.
    Choose(CmdToolFreehand);
    Press(canvas, 10, 10);
    MoveTo(canvas, 30, 10);
    Choose(999);
    MoveTo(canvas, 30, 60);
    Release(canvas, 30, 60);
    const BoardPicture picture = Read();
    EXPECT_EQ(Black, picture.At(20, 10));
    EXPECT_TRUE(picture.IsWhite(30, 40));
}

TEST_F(CanvasTest, ClearPaintsTheWholePictureWhiteAndKeepsTheTool)
{
    OpenSmall();
    // Every pixel black, also those scrolled out of view.
    {
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HGDIOBJ previous = SelectObject(memory, state->canvasBitmap);
        PatBlt(memory, 0, 0, PictureWidth, PictureHeight, BLACKNESS);
        SelectObject(memory, previous);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    ASSERT_EQ(PictureWidth * PictureHeight, Read().CountNotWhite());
    Choose(CmdToolEllipse);
    const HBITMAP before = state->canvasBitmap;
    Choose(CmdClear);
    EXPECT_EQ(0, Read().CountNotWhite());
    EXPECT_EQ(ToolEllipse, state->tool);
    EXPECT_EQ(before, state->canvasBitmap);  // clearing keeps the same picture
}

TEST_F(CanvasTest, EveryScrollCodeWithClamping)
{
    OpenSmall();
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_PAGE;
    for (int bar : {SB_HORZ, SB_VERT}) {
        GetScrollInfo(canvas, bar, &info);
        const int page = info.nPage;
        const int extent = bar == SB_HORZ ? PictureWidth : PictureHeight;
        const int last = extent - page;  // the bar keeps the position at most here
        ASSERT_GT(last, 200) << bar;
        const UINT message = bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL;
        auto scroll = [&](int code, int thumb = 0) {
            SendMessageA(canvas, message, MAKEWPARAM(code, thumb), 0);
            return GetScrollPos(canvas, bar);
        };
        EXPECT_EQ(5, scroll(SB_THUMBPOSITION, 5));
        EXPECT_EQ(0, scroll(SB_LINEUP));
        EXPECT_EQ(0, scroll(SB_LINEUP));
        EXPECT_EQ(10, scroll(SB_LINEDOWN));
        EXPECT_EQ(110, scroll(SB_PAGEDOWN));
        EXPECT_EQ(10, scroll(SB_PAGEUP));
        EXPECT_EQ(0, scroll(SB_PAGEUP));
        EXPECT_EQ(77, scroll(SB_THUMBTRACK, 77));
        EXPECT_EQ(77, scroll(SB_ENDSCROLL));
        EXPECT_EQ(last, scroll(SB_BOTTOM));
        EXPECT_EQ(last, scroll(SB_PAGEDOWN));
        EXPECT_EQ(last, scroll(SB_LINEDOWN));
        EXPECT_EQ(last - 10, scroll(SB_LINEUP));
        EXPECT_EQ(last, scroll(SB_THUMBPOSITION, 1000));
        EXPECT_EQ(0, scroll(SB_TOP));
    }
}

TEST_F(CanvasTest, PaintShowsThePictureFromTheScrollPosition)
{
    OpenSmall();
    Stroke(canvas, {{0, 0}, {0, 0}});  // nothing at width 1: a single press
    state->penWidth = 1;
    Stroke(canvas, {{120, 60}, {140, 60}});
    ScrollTo(100, 50);
    InvalidateRect(canvas, nullptr, FALSE);
    UpdateWindow(canvas);
    EXPECT_EQ(Black, ScreenAt(25, 10));
    EXPECT_EQ(0xFFFFFFu, ScreenAt(25, 11));
}

}  // namespace
