#include "canvas_drawing.h"

#include "canvas_window.h"
#include "picture_clipping.h"

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

void DrawPictureLine(HDC picture, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width, COLORREF color)
{
    if (!picture)
        return;
    PictureSegment line = {x1, y1, x2, y2};
    if (!FitLineToPicture(line, width))
        return;
    HPEN pen = CreatePen(PS_SOLID, width, color);
    if (!pen)
        return;
    HGDIOBJ previous = SelectObject(picture, pen);
    MoveToEx(picture, line.x1, line.y1, nullptr);
    LineTo(picture, line.x2, line.y2);
    SelectObject(picture, previous);
    DeleteObject(pen);
}

void DrawPictureShape(HDC picture, PictureShape shape, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      const ShapeStyle& style)
{
    if (!picture)
        return;
    PictureSegment box = {x1, y1, x2, y2};
    if (shape == PictureShape::Ellipse) {
        switch (FitEllipseToPicture(box, style.penWidth)) {
        case EllipseFit::AsItIs:
            break;
        case EllipseFit::WholeInside:
            // Every pixel of the picture lies inside, far from the outline.
            if (style.fill) {
                HBRUSH brush = CreateSolidBrush(style.fillColor);
                if (brush) {
                    RECT whole = {0, 0, PictureWidth, PictureHeight};
                    FillRect(picture, &whole, brush);
                    DeleteObject(brush);
                }
            }
            return;
        case EllipseFit::Nothing:
        case EllipseFit::Refused:
            return;
        }
    } else {
        FitRectangleToPicture(box, style.penWidth);
    }

    HPEN pen = style.outline ? CreatePen(PS_SOLID, style.penWidth, style.penColor) : nullptr;
    HBRUSH brush = style.fill ? CreateSolidBrush(style.fillColor) : nullptr;
    HGDIOBJ previousPen = SelectObject(picture, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
    HGDIOBJ previousBrush = SelectObject(picture, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
    if (shape == PictureShape::Rectangle)
        Rectangle(picture, box.x1, box.y1, box.x2, box.y2);
    else
        Ellipse(picture, box.x1, box.y1, box.x2, box.y2);
    SelectObject(picture, previousPen);
    SelectObject(picture, previousBrush);
    if (pen)
        DeleteObject(pen);
    if (brush)
        DeleteObject(brush);
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
