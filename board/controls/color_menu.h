// The pen-colour and fill-colour menus of a board's toolbar, their owner-drawn
// swatches, and applying a choice to the board's state: the frame window's
// handling of the messages that concern them.
#ifndef OBOARD_CONTROLS_COLOR_MENU_H
#define OBOARD_CONTROLS_COLOR_MENU_H

#include <windows.h>
#include <commctrl.h>

#include "common/board_window_state.h"

// The custom colours of the colour dialog, shared by every board while the
// plugin is loaded.
const int CustomColorCount = 16;
extern COLORREF gCustomColors[CustomColorCount];

// Which of the board's colours a choice sets.
enum class ColorTarget { Pen, Fill };

// A new popup menu of the colours; the caller destroys it.
HMENU CreateColorMenu();

// The frame's handling of these messages; each returns the message's result.
// TBN_DROPDOWN from the toolbar: the menu under the button, and the choice
// sent to the frame as MsgSetPenColor or MsgSetFillColor.
LRESULT OpenColorMenu(HWND frame, const NMTOOLBARA* notification);
// WM_MEASUREITEM and WM_DRAWITEM: the swatches of the menu's items.
LRESULT MeasureColorMenuItem(UINT controlId, MEASUREITEMSTRUCT* item);
LRESULT DrawColorMenuItem(UINT controlId, const DRAWITEMSTRUCT* item);
// MsgSetPenColor, MsgSetFillColor: the chosen item applied to the board.
LRESULT ApplyColorChoice(HWND frame, BoardWindowState& state, ColorTarget target, UINT itemId);

#endif
