// The record every window of one board shares. It belongs to the board's
// frame window and is reached through the frame's GWL_USERDATA slot, by
// BoardStateOf only; tests read it there and rely on its exact layout.
#ifndef OBOARD_COMMON_BOARD_WINDOW_STATE_H
#define OBOARD_COMMON_BOARD_WINDOW_STATE_H

#include <windows.h>

#include <cstddef>
#include <cstdint>

enum DrawTool : int32_t {
    ToolFreehand = 0,
    ToolLine = 1,
    ToolRectangle = 2,
    ToolEllipse = 3,
};

// The bits of scrollFlags, one per scroll bar of the canvas.
enum : uint32_t {
    ScrollFlagHorizontal = 1,
    ScrollFlagVertical = 2,
};

struct BoardWindowState {
    int32_t contact;   // the board's key: contact number ...
    int32_t net;       // ... and network number
    int32_t tool;      // a DrawTool
    int32_t penWidth;  // user strokes, 1 to 10
    COLORREF penColor;
    int32_t penEnabled;  // outline of rectangles and ellipses
    COLORREF fillColor;
    int32_t fillEnabled;
    HBITMAP canvasBitmap;  // the 640x480 picture
    uint32_t scrollFlags;  // ScrollFlagHorizontal, ScrollFlagVertical
    HWND canvasWindow;
    HWND sizePickerWindow;
    HWND rebarWindow;
    HWND toolbarWindow;
    int32_t requestPenWidth;  // attributes of drawing by board messages
    COLORREF requestPenColor;
    int32_t requestPenEnabled;
    COLORREF requestFillColor;
    int32_t requestFillEnabled;
};

static_assert(sizeof(BoardWindowState) == 19 * 4, "BoardWindowState is 19 words");
static_assert(offsetof(BoardWindowState, net) == 4, "net");
static_assert(offsetof(BoardWindowState, tool) == 8, "tool");
static_assert(offsetof(BoardWindowState, penWidth) == 12, "penWidth");
static_assert(offsetof(BoardWindowState, penColor) == 16, "penColor");
static_assert(offsetof(BoardWindowState, penEnabled) == 20, "penEnabled");
static_assert(offsetof(BoardWindowState, fillColor) == 24, "fillColor");
static_assert(offsetof(BoardWindowState, fillEnabled) == 28, "fillEnabled");
static_assert(offsetof(BoardWindowState, canvasBitmap) == 32, "canvasBitmap");
static_assert(offsetof(BoardWindowState, scrollFlags) == 36, "scrollFlags");
static_assert(offsetof(BoardWindowState, canvasWindow) == 40, "canvasWindow");
static_assert(offsetof(BoardWindowState, sizePickerWindow) == 44, "sizePickerWindow");
static_assert(offsetof(BoardWindowState, rebarWindow) == 48, "rebarWindow");
static_assert(offsetof(BoardWindowState, toolbarWindow) == 52, "toolbarWindow");
static_assert(offsetof(BoardWindowState, requestPenWidth) == 56, "requestPenWidth");
static_assert(offsetof(BoardWindowState, requestPenColor) == 60, "requestPenColor");
static_assert(offsetof(BoardWindowState, requestPenEnabled) == 64, "requestPenEnabled");
static_assert(offsetof(BoardWindowState, requestFillColor) == 68, "requestFillColor");
static_assert(offsetof(BoardWindowState, requestFillEnabled) == 72, "requestFillEnabled");

// The record of the board that `window` belongs to, for every window of a
// board (the frame, the canvas, the rebar, the toolbar, the picker): the
// user data of the board frame at the top of its parent chain. Null for a
// window outside a board, and while the frame has no record: before its
// WM_CREATE stores it and from its WM_DESTROY on.
BoardWindowState* BoardStateOf(HWND window);

#endif
