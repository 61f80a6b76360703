// The board frame window, class "botgrafwnd".
#ifndef OBOARD_FRAME_WINDOW_H
#define OBOARD_FRAME_WINDOW_H

#include <windows.h>

extern const char BoardFrameClassName[];  // "botgrafwnd"

// Private messages: wParam is the chosen colour-menu item id.
const UINT MsgSetPenColor = WM_USER + 10000;
const UINT MsgSetFillColor = WM_USER + 10001;

// Scroll-bar metrics, read again by every new frame for the size limit.
extern int HorizontalScrollBarHeight;  // SM_CYHSCROLL
extern int VerticalScrollBarWidth;     // SM_CXVSCROLL

void RegisterBoardFrameClass(HINSTANCE instance);

#endif
