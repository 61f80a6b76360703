// The board frame window, class "botgrafwnd": owns the board's record,
// creates the canvas and the toolbar, lays them out, keeps its place in the
// host's settings and leaves the registry when it closes.
#ifndef OBOARD_WINDOWS_FRAME_WINDOW_H
#define OBOARD_WINDOWS_FRAME_WINDOW_H

#include <windows.h>

void RegisterBoardFrameClass(HINSTANCE instance);

#endif
