// The rebar along the top of a board frame and the toolbar in its band.
#ifndef OBOARD_BOARD_TOOLBAR_H
#define OBOARD_BOARD_TOOLBAR_H

#include <windows.h>

const int IdRebar = 18001;
const int IdToolbar = 2000;

// Toolbar commands, sent to the frame window as WM_COMMAND.
const int CmdToolLine = 200;
const int CmdToolFreehand = 201;
const int CmdToolRectangle = 202;
const int CmdToolEllipse = 203;
const int CmdPenColor = 205;
const int CmdFillColor = 206;
const int CmdClear = 210;

// Builds the rebar, its toolbar and the pen-width picker of `frame`, whose
// BoardWindowState must already be attached; fills in rebarWindow,
// toolbarWindow and sizePickerWindow. Returns the rebar, or null.
HWND CreateBoardRebar(HWND frame);

// Builds the toolbar inside `rebar` (whose parent is the frame). Returns the
// toolbar, or null.
HWND CreateBoardToolbar(HWND rebar);

#endif
