#include "board_test_support.h"

void BoardTest::SetUp()
{
    PluginTest::SetUp();
    // Boards open at a known place, large enough to show the whole picture.
    host.config[ColBoardX] = 10;
    host.config[ColBoardY] = 10;
    host.config[ColBoardWidth] = 700;
    host.config[ColBoardHeight] = 600;
}

HWND BoardTest::FrameOf(int32_t net, int32_t contact)
{
    for (HWND frame : BoardFrames()) {
        const BoardWindowState* state = State(frame);
        if (state && state->net == net && state->contact == contact)
            return frame;
    }
    return nullptr;
}

HWND BoardTest::Open(int32_t net, int32_t contact, const char* name)
{
    EXPECT_EQ(0, Send(MsgOpenBoard, contact, AddressWord(name), net));
    PumpMessages();
    return FrameOf(net, contact);
}

void BoardTest::PointAt(HWND window, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(window, &point);
    SetCursorPos(point.x, point.y);
}

void BoardTest::Press(HWND canvas, int x, int y)
{
    PointAt(canvas, x, y);
    SendMessageA(canvas, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}

void BoardTest::MoveTo(HWND canvas, int x, int y)
{
    PointAt(canvas, x, y);
    SendMessageA(canvas, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
}

void BoardTest::Release(HWND canvas, int x, int y)
{
    PointAt(canvas, x, y);
    SendMessageA(canvas, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void BoardTest::Stroke(HWND canvas, const std::vector<POINT>& points)
{
    Press(canvas, points.front().x, points.front().y);
    for (size_t i = 1; i < points.size(); ++i)
        MoveTo(canvas, points[i].x, points[i].y);
    Release(canvas, points.back().x, points.back().y);
    PumpMessages();
}
