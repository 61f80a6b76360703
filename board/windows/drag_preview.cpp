#include "windows/drag_preview.h"

#include "picture/shape_drawing.h"

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
        DrawBoxFigure(dc, tool, points);
        SelectObject(dc, previousBrush);
    }
    SetROP2(dc, previousMix);
}

}  // namespace

bool IsShapeTool(int32_t tool)
{
    return tool == ToolLine || tool == ToolRectangle || tool == ToolEllipse;
}

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
