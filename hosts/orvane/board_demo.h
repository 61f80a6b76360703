// Drawing on a board the way a user does, through real mouse input, and
// saving a picture of a window: what scripts/demo shows on a display
// without anybody at it.
#ifndef ORVANE_BOARD_DEMO_H
#define ORVANE_BOARD_DEMO_H

#include <windows.h>

#include <string>

#include "stand_in_host.h"

// A few strokes of every tool on the canvas of board frame `frame`, each
// one a press, moves and a release of the left button sent as mouse input.
void DrawDemoStrokes(HWND frame);

// Shapes drawn on board (net, contact) the way another plugin draws them:
// attribute messages, then drawing requests.
void DrawByPluginMessages(LoadedPlugin& plugin, int32_t net, int32_t contact);

// Opens the context menu of board frame `frame`'s canvas with the right
// button, after a copy and an undo by their keys (so that each item can
// act), writes what the screen shows of the board and the open menu as a
// 24-bit BMP file and closes the menu again.
bool SaveMenuPicture(HWND frame, const std::string& path);

// Writes what `window` shows, frame and children, as a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const std::string& path);

// Writes the top left `width` x `height` pixels of `window`'s client area as
// a 24-bit BMP file.
bool SaveClientPicture(HWND window, int width, int height, const std::string& path);

// Runs the calling thread's messages until none is left.
void PumpWaitingMessages();

#endif
