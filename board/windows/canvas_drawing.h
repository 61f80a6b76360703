// Drawing on a board: the one routine that draws a line, a rectangle or an
// ellipse with a board's pen and brush, for the user's strokes and for other
// plugins' drawing requests alike, and the inverted one-pixel previews that
// the canvas shows while the mouse is dragged.
#ifndef OBOARD_WINDOWS_CANVAS_DRAWING_H
#define OBOARD_WINDOWS_CANVAS_DRAWING_H

#include <windows.h>

#include <cstdint>

#include "common/board_window_state.h"
#include "windows/picture_clipping.h"

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
// clipped to ShapeBounds. The context is left as it was. Nothing happens
// for a null `dc`.
void DrawShape(HDC dc, DrawTool tool, const PictureSegment& points, const ShapeAttributes& attributes);

// The part of the 640x480 picture that DrawShape with the same points and
// attributes, for any tool, changes at most: the box of the two points
// widened by the pen on every side, cut to the picture. DrawShape clips to
// it, so it holds whatever GDI draws, and an undo step that keeps it
// restores the picture exactly. Empty when the shape lies wholly beside
// the picture.
RECT ShapeBounds(const PictureSegment& points, const ShapeAttributes& attributes);

// The line, rectangle and ellipse tools drag a preview and draw their shape
// when the button is released; free-hand draws as the mouse moves.
bool IsShapeTool(int32_t tool);

// Inverts the pixels under the one-pixel outline of `tool`'s shape (line,
// rectangle or ellipse; nothing for free-hand) on `window`'s own device
// context, so that doing it twice restores the screen.
void InvertShape(HWND window, DrawTool tool, const PictureSegment& points);

// One step of a dragged preview: the outline at `from` inverted away and the
// one at `to` inverted in, both on one device context of `window`.
void MoveInvertedShape(HWND window, DrawTool tool, const PictureSegment& from, const PictureSegment& to);

// A picture selected into a memory context compatible with `window`'s, for
// one drawing step. The picture goes into the context when Dc() is first
// asked for, so that what is read of it before (ReadScanLines) needs no
// second selection. Everything is released when it goes out of scope.
class PictureContext {
public:
    PictureContext(HWND window, HBITMAP picture);
    ~PictureContext();
    PictureContext(const PictureContext&) = delete;
    PictureContext& operator=(const PictureContext&) = delete;

    // The context with the picture in it; null when there is no picture or
    // no context could be made.
    HDC Dc();
    // A picture and a context to hold it.
    bool HasPicture() const { return memory_ && picture_; }

    // Reads `count` scan lines of the picture from `first` on, counted from
    // its bottom, in the form `format` gives (a bottom-up DIB of the
    // picture's size), into `bits`. GetDIBits reads only a bitmap that no
    // context holds: a picture already in the context leaves it meanwhile.
    // False when nothing was read.
    bool ReadScanLines(UINT first, UINT count, void* bits, BITMAPINFO& format);

private:
    HWND window_;
    HDC windowDc_;
    HDC memory_;
    HBITMAP picture_;
    HGDIOBJ previous_;  // what the context held before the picture, once it holds it
    bool selectTried_;
};

#endif
