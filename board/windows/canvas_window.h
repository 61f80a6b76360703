// The drawing canvas, class "oknorysowania": a scrollable view of the
// board's 640x480 picture on which the user draws.
#ifndef OBOARD_CANVAS_WINDOW_H
#define OBOARD_CANVAS_WINDOW_H

#include <windows.h>

extern const char CanvasClassName[];  // "oknorysowania"

const int PictureWidth = 640;
const int PictureHeight = 480;

void RegisterCanvasClass(HINSTANCE instance);

#endif
