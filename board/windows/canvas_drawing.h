// Drawing steps of the canvas: the inverted one-pixel previews on screen and
// the pen lines and shapes that go into a board's picture.
#ifndef OBOARD_CANVAS_DRAWING_H
#define OBOARD_CANVAS_DRAWING_H

#include <windows.h>

#include <cstdint>

// Previews: each inverts the pixels under a one-pixel outline on the window's
// own device context, so drawing the same figure twice restores the screen.
void InvertLine(HWND window, int x1, int y1, int x2, int y2);
void InvertRectangle(HWND window, int x1, int y1, int x2, int y2);
void InvertEllipse(HWND window, int x1, int y1, int x2, int y2);

// A line with a new solid pen of `width` and `color`, deleted again: the
// free-hand segments on screen, in client coordinates of the mouse.
void DrawPenLine(HDC dc, int x1, int y1, int x2, int y2, int width, COLORREF color);

// Drawing into a board's picture (a memory context holding it), in picture
// coordinates, for the user's strokes and other plugins' drawing requests
// alike. Coordinates beyond what GDI takes everywhere are fitted to the
// picture first (picture_clipping.h); within that range these are the plain
// GDI calls.
void DrawPictureLine(HDC picture, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width, COLORREF color);

enum class PictureShape { Rectangle, Ellipse };

// The pen of an outline (a new solid pen, or the stock null pen) and the
// brush of the inside (a new solid brush, or the stock null brush).
struct ShapeStyle {
    bool outline;
    int32_t penWidth;
    COLORREF penColor;
    bool fill;
    COLORREF fillColor;
};

void DrawPictureShape(HDC picture, PictureShape shape, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      const ShapeStyle& style);

// A picture selected into a memory context compatible with `window`'s, for
// one drawing step. Everything is released when it goes out of scope.
class PictureContext {
public:
    PictureContext(HWND window, HBITMAP picture);
    ~PictureContext();
    PictureContext(const PictureContext&) = delete;
    PictureContext& operator=(const PictureContext&) = delete;

    // Null when there is no picture or no context could be made.
    HDC Dc() const { return previous_ ? memory_ : nullptr; }

private:
    HWND window_;
    HDC windowDc_;
    HDC memory_;
    HBITMAP picture_;
    HGDIOBJ previous_;
};

#endif
