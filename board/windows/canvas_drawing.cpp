#include "canvas_drawing.h"

namespace {

enum class Figure { Line, Rectangle, Ellipse };

void InvertFigure(HWND window, Figure figure, int x1, int y1, int x2, int y2)
{
    HDC dc = GetDC(window);
    if (!dc)
        return;
    const int previousMix = SetROP2(dc, R2_NOT);
    if (figure == Figure::Line) {
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
    } else {
        HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        if (figure == Figure::Rectangle)
            Rectangle(dc, x1, y1, x2, y2);
        else
            Ellipse(dc, x1, y1, x2, y2);
        SelectObject(dc, previousBrush);
    }
    SetROP2(dc, previousMix);
    ReleaseDC(window, dc);
}

}  // namespace

void InvertLine(HWND window, int x1, int y1, int x2, int y2)
{
    InvertFigure(window, Figure::Line, x1, y1, x2, y2);
}

void InvertRectangle(HWND window, int x1, int y1, int x2, int y2)
{
    InvertFigure(window, Figure::Rectangle, x1, y1, x2, y2);
}

void InvertEllipse(HWND window, int x1, int y1, int x2, int y2)
{
    InvertFigure(window, Figure::Ellipse, x1, y1, x2, y2);
}

void DrawPenLine(HDC dc, int x1, int y1, int x2, int y2, int width, COLORREF color)
{
    if (!dc)
        return;
    HPEN pen = CreatePen(PS_SOLID, width, color);
    HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, previous);
    DeleteObject(pen);
}

PictureContext::PictureContext(HWND window, HBITMAP picture)
    : window_(window), windowDc_(GetDC(window)), memory_(nullptr), picture_(picture), previous_(nullptr)
{
    memory_ = CreateCompatibleDC(windowDc_);
    if (memory_ && picture_)
        previous_ = SelectObject(memory_, picture_);
}

PictureContext::~PictureContext()
{
    if (memory_) {
        // Deselect first: the picture outlives this step.
        if (previous_)
            SelectObject(memory_, previous_);
        DeleteDC(memory_);
    }
    if (windowDc_)
        ReleaseDC(window_, windowDc_);
}
