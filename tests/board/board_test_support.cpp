#include "board_test_support.h"

#include <cstring>

Picture::Picture(HBITMAP bitmap) : pixels_(PictureWidth * PictureHeight, 0)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = PictureWidth;
    info.bmiHeader.biHeight = -PictureHeight;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    valid_ =
        bitmap && GetDIBits(screen, bitmap, 0, PictureHeight, pixels_.data(), &info, DIB_RGB_COLORS) == PictureHeight;
    ReleaseDC(nullptr, screen);
    for (uint32_t& pixel : pixels_)
        pixel &= 0xFFFFFF;
}

int Picture::CountNotWhite(int x1, int y1, int x2, int y2) const
{
    int count = 0;
    for (int y = y1; y < y2; ++y)
        for (int x = x1; x < x2; ++x)
            count += !IsWhite(x, y);
    return count;
}

int Picture::Count(uint32_t rgb) const
{
    int count = 0;
    for (uint32_t pixel : pixels_)
        count += pixel == rgb;
    return count;
}

int Picture::CountDifferent(const Picture& other) const
{
    int count = 0;
    for (size_t i = 0; i < pixels_.size(); ++i)
        count += pixels_[i] != other.pixels_[i];
    return count;
}

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
