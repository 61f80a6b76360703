// The canvas's context menu (undo, redo, copy, paste, save the picture),
// its keys on the focused canvas, and what its commands do.
#ifndef OBOARD_WINDOWS_CANVAS_MENU_H
#define OBOARD_WINDOWS_CANVAS_MENU_H

#include <windows.h>

struct BoardWindowState;

// Opens the context menu for WM_CONTEXTMENU's `where` (screen coordinates,
// or -1 from the keyboard) and sends the chosen command to the canvas as
// WM_COMMAND. Items that cannot act are greyed. False, with no menu, for a
// point outside the client area (a scroll bar's own menu).
bool OpenCanvasMenu(HWND canvas, const BoardWindowState& board, LPARAM where);

// The menu's keys on the canvas: Ctrl+Z, Ctrl+Y, Ctrl+C, Ctrl+V and Ctrl+S
// send their commands; the menu key and Shift+F10 open the menu. True when
// `message` (WM_KEYDOWN, WM_KEYUP or WM_SYSKEYDOWN) was one of them and is
// done with; any other goes on to DefWindowProcA.
bool HandleCanvasKey(HWND canvas, const BoardWindowState& board, UINT message, UINT key);

// CmdUndo, CmdRedo, CmdCopyPicture, CmdPastePicture and CmdSavePicture.
bool IsPictureCommand(int command);

// Carries one of those out on the canvas's board. Saving shows the save
// dialog, whose message loop may let the board close; false when the canvas
// is gone afterwards.
bool RunPictureCommand(HWND canvas, int command);

#endif
