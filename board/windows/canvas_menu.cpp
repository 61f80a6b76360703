#include "windows/canvas_menu.h"

#include <windowsx.h>

#include "common/board_window_state.h"
#include "common/ui_texts.h"
#include "oboard/board_ui.h"
#include "picture/picture_context.h"
#include "picture/picture_history.h"
#include "picture/picture_transfer.h"
#include "windows/save_picture_dialog.h"

namespace {

// How far into the canvas a menu opened from the keyboard appears when the
// mouse is elsewhere.
const int KeyboardMenuInset = 8;

struct MenuEntry {
    UINT command;      // 0 for a separator
    const char* text;  // with its key after the tab
};

const MenuEntry CanvasMenuEntries[] = {
    {CmdUndo, TextMenuUndo},        {CmdRedo, TextMenuRedo},          {0, nullptr},
    {CmdCopyPicture, TextMenuCopy}, {CmdPastePicture, TextMenuPaste}, {0, nullptr},
    {CmdSavePicture, TextMenuSave},
};

bool CanAct(const BoardWindowState& board, UINT command)
{
    if (!board.canvasBitmap)
        return false;
    switch (command) {
    case CmdUndo:
        return CanUndoPicture(board);
    case CmdRedo:
        return CanRedoPicture(board);
    case CmdPastePicture:
        return ClipboardHasPicture();
    default:
        return true;
    }
}

HMENU CreateCanvasMenu(const BoardWindowState& board)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    for (const MenuEntry& entry : CanvasMenuEntries) {
        if (!entry.command)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING | (CanAct(board, entry.command) ? MF_ENABLED : MF_GRAYED), entry.command,
                        entry.text);
    }
    return menu;
}

// Where a menu asked for from the keyboard opens: at the mouse if it is over
// the canvas, else near the canvas's top left corner.
POINT KeyboardMenuPoint(HWND canvas)
{
    RECT client;
    GetClientRect(canvas, &client);
    POINT mouse;
    GetCursorPos(&mouse);
    POINT inside = mouse;
    ScreenToClient(canvas, &inside);
    if (PtInRect(&client, inside))
        return mouse;
    POINT corner = {KeyboardMenuInset, KeyboardMenuInset};
    ClientToScreen(canvas, &corner);
    return corner;
}

POINT ScrollPosition(HWND canvas)
{
    POINT position = {GetScrollPos(canvas, SB_HORZ), GetScrollPos(canvas, SB_VERT)};
    return position;
}

}  // namespace

bool OpenCanvasMenu(HWND canvas, const BoardWindowState& board, LPARAM where)
{
    POINT at = {GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    if (where == -1) {
        at = KeyboardMenuPoint(canvas);
    } else {
        RECT client;
        GetClientRect(canvas, &client);
        POINT inside = at;
        ScreenToClient(canvas, &inside);
        if (!PtInRect(&client, inside))
            return false;
    }
    HMENU menu = CreateCanvasMenu(board);
    if (!menu)
        return true;
    const UINT command =
        static_cast<UINT>(TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, canvas, nullptr));
    DestroyMenu(menu);
    // The menu's loop may have let the board close.
    if (command && IsWindow(canvas))
        SendMessageA(canvas, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    return true;
}

bool HandleCanvasKey(HWND canvas, const BoardWindowState& board, UINT message, UINT key)
{
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    // Opened here rather than by the system's WM_CONTEXTMENU for these keys,
    // which would also enter the frame's menu mode as F10 comes up.
    if ((message == WM_KEYDOWN && key == VK_APPS) || (message == WM_SYSKEYDOWN && key == VK_F10 && shift && !alt)) {
        OpenCanvasMenu(canvas, board, -1);
        return true;
    }
    if (message == WM_KEYUP && key == VK_APPS)
        return true;
    if (message != WM_KEYDOWN || !control || alt || shift)
        return false;
    UINT command;
    switch (key) {
    case 'Z':
        command = CmdUndo;
        break;
    case 'Y':
        command = CmdRedo;
        break;
    case 'C':
        command = CmdCopyPicture;
        break;
    case 'V':
        command = CmdPastePicture;
        break;
    case 'S':
        command = CmdSavePicture;
        break;
    default:
        return false;
    }
    // As an accelerator would send it.
    SendMessageA(canvas, WM_COMMAND, MAKEWPARAM(command, 1), 0);
    return true;
}

bool IsPictureCommand(int command)
{
    return command == CmdUndo || command == CmdRedo || command == CmdCopyPicture || command == CmdPastePicture ||
        command == CmdSavePicture;
}

bool RunPictureCommand(HWND canvas, int command)
{
    const BoardWindowState* board = BoardStateOf(canvas);
    if (!board || !board->canvasBitmap)
        return true;
    switch (command) {
    case CmdUndo:
    case CmdRedo: {
        PictureContext picture(canvas, board->canvasBitmap);
        if (command == CmdUndo)
            UndoPictureStep(*board, picture);
        else
            RedoPictureStep(*board, picture);
        return true;
    }
    case CmdCopyPicture:
        CopyPictureToClipboard(canvas, board->canvasBitmap);
        return true;
    case CmdPastePicture:
        PastePicture(canvas, *board, ScrollPosition(canvas));
        return true;
    case CmdSavePicture:
        SavePicture(canvas);
        return IsWindow(canvas) != 0;
    default:
        return true;
    }
}
