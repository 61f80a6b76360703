#include "picture/shape_drawing.h"

#include <algorithm>
#include <cmath>

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

// How far beyond its path a shape drawn with `attributes` may reach: half a
// wide pen (round caps and joins), and two more for GDI's rounding and the
// one-pixel pen's end points.
int64_t PenReach(const ShapeAttributes& attributes)
{
    return DrawablePenWidth(attributes.penWidth) / 2 + 2;
}

// The box of the two points widened by `reach` on every side; a figure of
// any tool stays inside it (a fitted figure only drops parts of the same
// one). Not cut to the picture, which 64 bits hold.
struct WideBox {
    int64_t left, top, right, bottom;  // right and bottom exclusive
};

WideBox ReachedBox(const PictureSegment& points, int64_t reach)
{
    return WideBox {std::min(points.x1, points.x2) - reach, std::min(points.y1, points.y2) - reach,
                    std::max(points.x1, points.x2) + reach + 1, std::max(points.y1, points.y2) + reach + 1};
}

RECT CutToPicture(const WideBox& box)
{
    RECT cut = {static_cast<LONG>(std::max<int64_t>(box.left, 0)), static_cast<LONG>(std::max<int64_t>(box.top, 0)),
                static_cast<LONG>(std::min<int64_t>(box.right, PictureWidth)),
                static_cast<LONG>(std::min<int64_t>(box.bottom, PictureHeight))};
    if (cut.left >= cut.right || cut.top >= cut.bottom)
        SetRectEmpty(&cut);
    return cut;
}

// A line's pixels lie within `reach` of the segment on either axis. In each
// band: the part of the segment whose rows reach the band, widened so, and
// a pixel more on either side for the rounding of its columns.
StepRegion LineRegion(const PictureSegment& line, int64_t reach)
{
    StepRegion region = {};
    const WideBox box = ReachedBox(line, reach);
    const double x1 = line.x1, y1 = line.y1, dx = static_cast<double>(line.x2) - x1,
                 dy = static_cast<double>(line.y2) - y1;
    for (int k = 0; k < RegionBandCount; ++k) {
        const RECT band = BandOfRegion(k);
        const int64_t top = std::max<int64_t>(band.top, box.top), bottom = std::min<int64_t>(band.bottom, box.bottom);
        if (top >= bottom)
            continue;
        double from = 0, to = 1;  // the part of the segment, as fractions of it
        if (dy != 0) {
            const double a = (static_cast<double>(top - reach) - y1) / dy;
            const double b = (static_cast<double>(bottom - 1 + reach) - y1) / dy;
            from = std::max(0.0, std::min(a, b));
            to = std::min(1.0, std::max(a, b));
        }
        const double xa = x1 + from * dx, xb = x1 + to * dx;
        const WideBox part = {static_cast<int64_t>(std::floor(std::min(xa, xb))) - reach - 1, top,
                              static_cast<int64_t>(std::ceil(std::max(xa, xb))) + reach + 2, bottom};
        region.bands[k] = CutToPicture(part);
    }
    return region;
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
    // region, it changes exactly what the undo step of that region keeps.
    const int saved = SaveDC(dc);
    if (!saved)
        return;
    ClipToRegion(dc, ShapeRegion(tool, points, attributes));
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

StepRegion ShapeRegion(DrawTool tool, const PictureSegment& points, const ShapeAttributes& attributes)
{
    const int64_t reach = PenReach(attributes);
    if (tool == ToolLine || tool == ToolFreehand)
        return LineRegion(points, reach);
    return RegionOfRect(CutToPicture(ReachedBox(points, reach)));
}

void DrawBoxFigure(HDC dc, DrawTool tool, const PictureSegment& box)
{
    if (tool == ToolRectangle)
        Rectangle(dc, box.x1, box.y1, box.x2, box.y2);
    else
        Ellipse(dc, box.x1, box.y1, box.x2, box.y2);
}
