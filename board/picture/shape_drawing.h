// Drawing on a board: the one routine that draws a line, a rectangle or an
// ellipse with a board's pen and brush, for the user's strokes and for other
// plugins' drawing requests alike, and the part of the picture it may change.
#ifndef OBOARD_PICTURE_SHAPE_DRAWING_H
#define OBOARD_PICTURE_SHAPE_DRAWING_H

#include <windows.h>

#include <cstdint>

#include "common/board_window_state.h"
#include "picture/picture_clipping.h"
#include "picture/step_region.h"

// The pen of a line or an outline, and the brush of an inside.
struct ShapeAttributes {
    int32_t penWidth;
    COLORREF penColor;
    bool penEnabled;  // outlines of rectangles and ellipses; lines always have the pen
    COLORREF fillColor;
    bool fillEnabled;
};

// The user's attributes of `board` (its toolbar's choices), and those that
// other plugins' messages set for their drawing requests.
ShapeAttributes UserAttributes(const BoardWindowState& board);
ShapeAttributes RequestAttributes(const BoardWindowState& board);

// Draws into `dc`, in picture coordinates, the shape of `tool` between the
// two points of `points`: a line from the first to the second (ToolLine,
// and a segment of a free-hand stroke), or the rectangle or the ellipse in
// the box with those corners. Lines are drawn with a new solid pen;
// rectangles and ellipses with that pen or the stock null pen and a new
// solid brush or the stock null brush; both are selected back out and
// deleted. Pen widths that GDI cannot take, and coordinates beyond its
// 16-bit range, are fitted to the 640x480 picture first
// (picture_clipping.h); within that range these are the plain GDI calls,
// clipped to ShapeRegion. The context is left as it was. Nothing happens
// for a null `dc`.
void DrawShape(HDC dc, DrawTool tool, const PictureSegment& points, const ShapeAttributes& attributes);

// The part of the 640x480 picture that DrawShape with the same tool, points
// and attributes changes at most, cut to the picture: for a rectangle or an
// ellipse the box of the two points widened by the pen on every side; for
// a line (and a free-hand piece) the pixels within as far of the segment,
// band by band. DrawShape clips to it, so it holds whatever GDI draws, and
// an undo step that keeps it restores the picture exactly. Empty when the
// shape lies wholly beside the picture.
StepRegion ShapeRegion(DrawTool tool, const PictureSegment& points, const ShapeAttributes& attributes);

// The rectangle or the ellipse of `tool` in the box with the corners of
// `box`, with the pen and brush that `dc` holds: the plain GDI call.
void DrawBoxFigure(HDC dc, DrawTool tool, const PictureSegment& box);

#endif
