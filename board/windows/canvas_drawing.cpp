#include "windows/canvas_drawing.h"

#include <algorithm>

#include "oboard/board_ui.h"

namespace {

// Request pen widths are stored as sent; drawing uses a width GDI can
// handle. Negative widths draw one pixel wide, and nothing on the picture
// needs a pen wider than this. The user's widths (1 to 10) pass unchanged.
const int32_t WidestPen = 2048;

int32_t DrawablePenWidth(int32_t width)
{
    if (width < 0)
        return 0;
    return width > WidestPen ? WidestPen : width;
}

// The rectangle or the ellipse of `tool` in the box, with the pen and brush
// that `dc` holds.
void DrawBox(HDC dc, DrawTool tool, const PictureSegment& box)
{
    if (tool == ToolRectangle)
        Rectangle(dc, box.x1, box.y1, box.x2, box.y2);
    else
        Ellipse(dc, box.x1, box.y1, box.x2, box.y2);
}

void DrawLine(HDC dc, PictureSegment line, int32_t width, COLORREF color)
{
    if (!FitLineToPicture(line, width))
        return;
    HPEN pen = CreatePen(PS_SOLID, width, color);
    if (!pen)
        return;
    HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, line.x1, line.y1, nullptr);
    LineTo(dc, line.x2, line.y2);
    SelectObject(dc, previous);
    DeleteObject(pen);
}

// An ellipse that holds the whole picture far from its outline: the
// picture takes the brush (and a hollow one leaves it as it is).
void FillWholePicture(HDC dc, const ShapeAttributes& attributes)
{
    if (!attributes.fillEnabled)
        return;
    HBRUSH brush = CreateSolidBrush(attributes.fillColor);
    if (!brush)
        return;
    RECT whole = {0, 0, PictureWidth, PictureHeight};
    FillRect(dc, &whole, brush);
    DeleteObject(brush);
}

void DrawBoxShape(HDC dc, DrawTool tool, PictureSegment box, int32_t width, const ShapeAttributes& attributes)
{
    if (tool == ToolEllipse) {
        switch (FitEllipseToPicture(box, width)) {
        case EllipseFit::AsItIs:
            break;
        case EllipseFit::WholeInside:
            FillWholePicture(dc, attributes);
            return;
        case EllipseFit::Nothing:
        case EllipseFit::Refused:
            return;
        }
    } else {
        FitRectangleToPicture(box, width);
    }

    HPEN pen = attributes.penEnabled ? CreatePen(PS_SOLID, width, attributes.penColor) : nullptr;
    HBRUSH brush = attributes.fillEnabled ? CreateSolidBrush(attributes.fillColor) : nullptr;
    HGDIOBJ previousPen = SelectObject(dc, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
    HGDIOBJ previousBrush = SelectObject(dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
    DrawBox(dc, tool, box);
    SelectObject(dc, previousPen);
    SelectObject(dc, previousBrush);
    if (pen)
        DeleteObject(pen);
    if (brush)
        DeleteObject(brush);
}

}  // namespace

ShapeAttributes UserAttributes(const BoardWindowState& board)
{
    return ShapeAttributes {board.penWidth, board.penColor, board.penEnabled != 0, board.fillColor,
                            board.fillEnabled != 0};
}

ShapeAttributes RequestAttributes(const BoardWindowState& board)
{
    return ShapeAttributes {board.requestPenWidth, board.requestPenColor, board.requestPenEnabled != 0,
                            board.requestFillColor, board.requestFillEnabled != 0};
}

void DrawShape(HDC dc, DrawTool tool, const PictureSegment& points, const ShapeAttributes& attributes)
{
    if (!dc)
        return;
    // GDI does not always keep a figure within its box (a narrow filled
    // ellipse can lay spans across the whole picture): clipped to its
    // bounds, it changes exactly what the undo step of those bounds keeps.
    const RECT bounds = ShapeBounds(points, attributes);
    const int saved = SaveDC(dc);
    if (!saved)
        return;
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    const int32_t width = DrawablePenWidth(attributes.penWidth);
    switch (tool) {
    case ToolFreehand:
    case ToolLine:
        // Lines always use the pen, whatever penEnabled says.
        DrawLine(dc, points, width, attributes.penColor);
        break;
    case ToolRectangle:
    case ToolEllipse:
        DrawBoxShape(dc, tool, points, width, attributes);
        break;
    }
    RestoreDC(dc, saved);
}

RECT ShapeBounds(const PictureSegment& points, const ShapeAttributes& attributes)
{
    // Half a wide pen reaches beyond the path (round caps and joins); GDI's
    // rounding and the one-pixel pen's end points stay within two more.
    // Every tool draws inside its box so widened (a line, a rectangle and
    // an ellipse alike): a fitted figure only drops parts of the same one.
    const int64_t reach = DrawablePenWidth(attributes.penWidth) / 2 + 2;
    const int64_t width = PictureWidth, height = PictureHeight;
    const int64_t left = std::max<int64_t>(std::min(points.x1, points.x2) - reach, 0);
    const int64_t top = std::max<int64_t>(std::min(points.y1, points.y2) - reach, 0);
    const int64_t right = std::min<int64_t>(std::max(points.x1, points.x2) + reach + 1, width);
    const int64_t bottom = std::min<int64_t>(std::max(points.y1, points.y2) + reach + 1, height);
    RECT bounds = {0, 0, 0, 0};
    if (left < right && top < bottom)
        SetRect(&bounds, static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                static_cast<int>(bottom));
    return bounds;
}

bool IsShapeTool(int32_t tool)
{
    return tool == ToolLine || tool == ToolRectangle || tool == ToolEllipse;
}

namespace {

// The outline of `tool`'s shape inverted on `dc`, with the context's own pen
// (solid, one pixel, whatever the board's pen).
void InvertOutline(HDC dc, DrawTool tool, const PictureSegment& points)
{
    const int previousMix = SetROP2(dc, R2_NOT);
    if (tool == ToolLine) {
        MoveToEx(dc, points.x1, points.y1, nullptr);
        LineTo(dc, points.x2, points.y2);
    } else {
        HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        DrawBox(dc, tool, points);
        SelectObject(dc, previousBrush);
    }
    SetROP2(dc, previousMix);
}

}  // namespace

void InvertShape(HWND window, DrawTool tool, const PictureSegment& points)
{
    if (!IsShapeTool(tool))
        return;
    HDC dc = GetDC(window);
    if (!dc)
        return;
    InvertOutline(dc, tool, points);
    ReleaseDC(window, dc);
}

void MoveInvertedShape(HWND window, DrawTool tool, const PictureSegment& from, const PictureSegment& to)
{
    if (!IsShapeTool(tool))
        return;
    // One context for both outlines: getting a window's context costs more
    // than drawing a one-pixel outline on it.
    HDC dc = GetDC(window);
    if (!dc)
        return;
    InvertOutline(dc, tool, from);
    InvertOutline(dc, tool, to);
    ReleaseDC(window, dc);
}

PictureContext::PictureContext(HWND window, HBITMAP picture)
    : window_(window), windowDc_(GetDC(window)), memory_(nullptr), picture_(picture), previous_(nullptr),
      selectTried_(false)
{
    memory_ = CreateCompatibleDC(windowDc_);
}

HDC PictureContext::Dc()
{
    if (!selectTried_ && HasPicture()) {
        selectTried_ = true;
        previous_ = SelectObject(memory_, picture_);
    }
    return previous_ ? memory_ : nullptr;
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

bool PictureContext::ReadScanLines(UINT first, UINT count, void* bits, BITMAPINFO& format)
{
    if (!HasPicture())
        return false;
    if (previous_)
        SelectObject(memory_, previous_);
    const int lines = GetDIBits(memory_, picture_, first, count, bits, &format, DIB_RGB_COLORS);
    if (previous_)
        SelectObject(memory_, picture_);
    return lines == static_cast<int>(count);
}
