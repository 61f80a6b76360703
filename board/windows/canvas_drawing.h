// Drawing steps of the canvas: the inverted one-pixel previews on screen and
// the pen lines and shapes that go into a board's picture.
#ifndef OBOARD_CANVAS_DRAWING_H
#define OBOARD_CANVAS_DRAWING_H

#include <windows.h>

// Previews: each inverts the pixels under a one-pixel outline on the window's
// own device context, so drawing the same figure twice restores the screen.
void InvertLine(HWND window, int x1, int y1, int x2, int y2);
void InvertRectangle(HWND window, int x1, int y1, int x2, int y2);
void InvertEllipse(HWND window, int x1, int y1, int x2, int y2);

// A line with a new solid pen of `width` and `color`, deleted again.
void DrawPenLine(HDC dc, int x1, int y1, int x2, int y2, int width, COLORREF color);

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
