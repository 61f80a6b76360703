/* The board's user interface as other code sees it from outside: the window
 * classes, the toolbar's commands, the colour menu's items, the child-window
 * ids, the frame's private colour messages, the size of the picture and
 * the items of the canvas's context menu.
 * The plugin builds its windows from these names; hosts, tests and tools
 * that find a board's windows or drive them with messages use the same ones.
 * Plain C as well as C++. */
#ifndef OBOARD_BOARD_UI_H
#define OBOARD_BOARD_UI_H

#include <windows.h>

/* Window classes of a board: the top-level frame, the canvas inside it and
 * the pen-width picker inside the toolbar. */
static const char BoardFrameClassName[] = "botgrafwnd";
static const char CanvasClassName[] = "oknorysowania";
static const char SizePickerClassName[] = "sizepicker";

/* A board's frame is titled with this, followed by the board's name. */
static const char BoardTitlePrefix[] = "Grafika - ";

/* The picture of every board, in pixels. */
enum { PictureWidth = 640, PictureHeight = 480 };

/* Toolbar commands, sent to the frame as WM_COMMAND and passed on to the
 * canvas. Their numbers do not follow the buttons' order. */
enum {
    CmdToolLine = 200,
    CmdToolFreehand = 201,
    CmdToolRectangle = 202,
    CmdToolEllipse = 203,
    CmdPenColor = 205,  /* drop-down: opens the colour menu */
    CmdFillColor = 206, /* drop-down: opens the colour menu */
    CmdClear = 210
};

/* Items of the canvas's context menu, with their keys on the focused canvas
 * (Ctrl+Z, Ctrl+Y, Ctrl+C, Ctrl+V, Ctrl+S). They reach the canvas as
 * WM_COMMAND like the toolbar's commands, and so also end a stroke in
 * progress; sent to the frame, they are passed on to the canvas. */
enum {
    CmdUndo = 220,
    CmdRedo = 221,
    CmdCopyPicture = 222,  /* the picture to the clipboard, as CF_DIB */
    CmdPastePicture = 223, /* a CF_DIB at the top left of the visible part */
    CmdSavePicture = 224   /* a 24-bit BMP file, through the save dialog */
};

/* Items of the colour menu that both drop-down buttons open. */
enum {
    MenuColorOther = 260, /* the colour dialog */
    MenuColorNone = 261,  /* outline or fill off */
    MenuColorBlack = 262,
    MenuColorRed = 263,
    MenuColorYellow = 264,
    MenuColorGreen = 265,
    MenuColorBlue = 266,
    MenuColorNavy = 267,
    MenuColorPink = 268,
    MenuColorWhite = 269
};

/* Child-window ids: the rebar is the frame's child, the toolbar the
 * rebar's, the picker the toolbar's and its up-down control the picker's.
 * The toolbar's id is also the id of the rebar's one band. */
enum { IdRebar = 18001, IdToolbar = 2000, IdSizePicker = 300, IdSizeSpin = 301 };

/* The frame's private messages applying a colour-menu choice: wParam is
 * the chosen item, lParam 0. */
enum { MsgSetPenColor = WM_USER + 10000, MsgSetFillColor = WM_USER + 10001 };

#endif
