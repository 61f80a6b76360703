#include "windows/canvas_menu.h"

#include <cderr.h>
#include <commdlg.h>
#include <windowsx.h>

#include <cstring>
#include <string>

#include "common/board_window_state.h"
#include "oboard/board_ui.h"
#include "windows/bitmap_file.h"
#include "windows/canvas_drawing.h"
#include "windows/picture_file_name.h"
#include "windows/picture_history.h"
#include "windows/picture_transfer.h"

namespace {

// How far into the canvas a menu opened from the keyboard appears when the
// mouse is elsewhere.
const int KeyboardMenuInset = 8;

struct MenuEntry {
    UINT command;      // 0 for a separator
    const char* text;  // cp1250, with its key after the tab
};

// "Ponów" carries its Polish letter in cp1250.
const MenuEntry CanvasMenuEntries[] = {
    {CmdUndo, "&Cofnij\tCtrl+Z"},
    {CmdRedo, "&Pon\xF3w\tCtrl+Y"},
    {0, nullptr},
    {CmdCopyPicture, "&Kopiuj\tCtrl+C"},
    {CmdPastePicture, "&Wklej\tCtrl+V"},
    {0, nullptr},
    {CmdSavePicture, "&Zapisz obraz...\tCtrl+S"},
};

const char SaveFilter[] = "Obraz BMP (*.bmp)\0*.bmp\0";
const char SaveExtension[] = "bmp";
const char SaveTitle[] = "Zapisz obraz";
const char SaveFailedText[] = "Nie uda\xB3o si\xEA zapisa\xE6 obrazu w pliku:\n";
const char DeviceRefusedText[] = "Nie mo\xBFna zapisa\xE6 obrazu pod nazw\xB9 urz\xB9"
                                 "dzenia:\n";
const char PathTooLongText[] = "Nie uda\xB3o si\xEA wybra\xE6 pliku dla obrazu: \x9C"
                               "cie\xBFka jest za d\xB3uga.";
const char DialogFailedText[] = "Nie uda\xB3o si\xEA wybra\xE6 pliku dla obrazu (kod b\xB3\xEA"
                                "du ";

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

// The name part of the board's title ("Grafika - NAME").
std::string BoardName(HWND frame)
{
    char title[MAX_PATH] = {};
    GetWindowTextA(frame, title, sizeof title);
    const size_t prefixLength = std::strlen(BoardTitlePrefix);
    return std::strncmp(title, BoardTitlePrefix, prefixLength) ? title : title + prefixLength;
}

// Saving's failures and refusals, in the board's message box.
void TellSaveProblem(HWND frame, const std::string& text)
{
    MessageBoxA(frame, text.c_str(), SaveTitle, MB_OK | MB_ICONERROR);
}

// A dialog that returned without a file was cancelled, or could not do its
// work; the user hears of the latter.
void TellDialogFailure(HWND frame)
{
    const DWORD error = CommDlgExtendedError();
    if (error == FNERR_BUFFERTOOSMALL)
        TellSaveProblem(frame, PathTooLongText);
    else if (error)
        TellSaveProblem(frame, DialogFailedText + std::to_string(error) + ").");
}

void SavePicture(HWND canvas)
{
    HWND frame = GetAncestor(canvas, GA_ROOT);
    char path[MAX_PATH] = {};
    const std::string name = OfferedPictureFileName(BoardName(frame));
    std::strncpy(path, name.c_str(), sizeof path - 1);

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = frame;
    dialog.lpstrFilter = SaveFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrTitle = SaveTitle;
    dialog.lpstrDefExt = SaveExtension;
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    const bool chosen = GetSaveFileNameA(&dialog) != 0;

    // The dialog's message loop may have let the board close.
    const BoardWindowState* board = IsWindow(canvas) ? BoardStateOf(canvas) : nullptr;
    if (!board || !board->canvasBitmap)
        return;
    if (!chosen)
        TellDialogFailure(frame);
    // A device would take the bytes and keep no file, or hold the thread
    // on a serial port.
    else if (NamesDevice(path))
        TellSaveProblem(frame, DeviceRefusedText + std::string(path));
    else if (!WriteBitmapFile(path, board->canvasBitmap))
        TellSaveProblem(frame, SaveFailedText + std::string(path));
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
