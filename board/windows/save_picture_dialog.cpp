#include "windows/save_picture_dialog.h"

#include <cderr.h>
#include <commdlg.h>

#include <cstring>
#include <string>

#include "common/board_window_state.h"
#include "common/ui_texts.h"
#include "oboard/board_ui.h"
#include "picture/bitmap_file.h"
#include "picture/picture_file_name.h"

namespace {

const char SaveExtension[] = "bmp";

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
    MessageBoxA(frame, text.c_str(), TextSaveTitle, MB_OK | MB_ICONERROR);
}

// A dialog that returned without a file was cancelled, or could not do its
// work; the user hears of the latter.
void TellDialogFailure(HWND frame)
{
    const DWORD error = CommDlgExtendedError();
    if (error == FNERR_BUFFERTOOSMALL)
        TellSaveProblem(frame, TextPathTooLong);
    else if (error)
        TellSaveProblem(frame, TextDialogFailed + std::to_string(error) + ").");
}

}  // namespace

void SavePicture(HWND canvas)
{
    HWND frame = GetAncestor(canvas, GA_ROOT);
    char path[MAX_PATH] = {};
    const std::string name = OfferedPictureFileName(BoardName(frame));
    std::strncpy(path, name.c_str(), sizeof path - 1);

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = frame;
    dialog.lpstrFilter = TextSaveFileTypes;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrTitle = TextSaveTitle;
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
        TellSaveProblem(frame, TextDeviceRefused + std::string(path));
    else if (!WriteBitmapFile(path, board->canvasBitmap))
        TellSaveProblem(frame, TextSaveFailed + std::string(path));
}
