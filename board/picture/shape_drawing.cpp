#include "picture/shape_drawing.h"

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
    DrawBoxFigure(dc, tool, box);
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

void DrawBoxFigure(HDC dc, DrawTool tool, const PictureSegment& box)
{
    if (tool == ToolRectangle)
        Rectangle(dc, box.x1, box.y1, box.x2, box.y2);
    else
        Ellipse(dc, box.x1, box.y1, box.x2, box.y2);
}
