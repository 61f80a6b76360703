// The drawing canvas, class "oknorysowania": a scrollable view of the
// board's 640x480 picture on which the user draws.
#ifndef OBOARD_WINDOWS_CANVAS_WINDOW_H
#define OBOARD_WINDOWS_CANVAS_WINDOW_H

#include <windows.h>

#include <cstdint>

struct BoardWindowState;

// The one mouse drag of the process (the mouse is captured by the canvas
// being drawn on). Points are client coordinates of that canvas.
struct CanvasDrag {
    int32_t anchorX;  // start of the stroke; for free-hand the end of the last segment
    int32_t anchorY;
    int32_t currentX;  // last mouse position seen
    int32_t currentY;
    BoardWindowState* board;  // null when no drag is in progress
};

extern CanvasDrag gCanvasDrag;

void RegisterCanvasClass(HINSTANCE instance);

// Ends a drag on `board` and deletes its picture and its undo steps. The
// frame calls this when it is destroyed, before it frees the record: the
// canvas's own WM_DESTROY comes later and can no longer reach the record.
void ReleaseBoardCanvas(BoardWindowState* board);

#endif
