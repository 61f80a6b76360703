// The rebar along the top of a board frame and the toolbar in its band.
#ifndef OBOARD_CONTROLS_BOARD_TOOLBAR_H
#define OBOARD_CONTROLS_BOARD_TOOLBAR_H

#include <windows.h>

// Builds the rebar, its toolbar and the pen-width picker of `frame`, whose
// BoardWindowState must already be attached; fills in rebarWindow,
// toolbarWindow and sizePickerWindow. Returns the rebar, or null.
HWND CreateBoardRebar(HWND frame);

// Builds the toolbar inside `rebar` (whose parent is the frame). Returns the
// toolbar, or null.
HWND CreateBoardToolbar(HWND rebar);

#endif
