// The pen-colour and fill-colour menus of a board's toolbar, their owner-drawn
// swatches, and applying a choice to the board's state.
#ifndef OBOARD_COLOR_MENU_H
#define OBOARD_COLOR_MENU_H

#include <windows.h>
#include <commctrl.h>

const int MenuColorOther = 260;
const int MenuColorNone = 261;
const int MenuColorBlack = 262;
const int MenuColorRed = 263;
const int MenuColorYellow = 264;
const int MenuColorGreen = 265;
const int MenuColorBlue = 266;
const int MenuColorNavy = 267;
const int MenuColorPink = 268;
const int MenuColorWhite = 269;

// Custom colours of the colour dialog, shared by every board.
extern COLORREF CustomColors[16];

// A new popup menu of the colours; the caller destroys it.
HMENU CreateColorMenu();

// The frame's handling of these messages; each returns the message result.
LRESULT OpenColorMenu(HWND frame, const NMTOOLBARA* notification);     // TBN_DROPDOWN
LRESULT MeasureColorMenuItem(WPARAM wParam, MEASUREITEMSTRUCT* item);  // WM_MEASUREITEM
LRESULT DrawColorMenuItem(WPARAM wParam, const DRAWITEMSTRUCT* item);  // WM_DRAWITEM
LRESULT ApplyColorChoice(HWND frame, UINT message, WPARAM itemId);     // MsgSetPenColor, MsgSetFillColor

#endif
