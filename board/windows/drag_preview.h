// The preview the canvas shows while a line, a rectangle or an ellipse is
// dragged: its one-pixel outline inverted on the screen, so that inverting
// it again takes it away. It never reaches the picture.
#ifndef OBOARD_WINDOWS_DRAG_PREVIEW_H
#define OBOARD_WINDOWS_DRAG_PREVIEW_H

#include <windows.h>

#include <cstdint>

#include "common/board_window_state.h"
#include "picture/picture_clipping.h"

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

#endif
