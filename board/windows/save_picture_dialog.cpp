#include "windows/save_picture_dialog.h"

#include <cderr.h>
#include <commdlg.h>

#include <cstring>
#include <string>

#include "common/board_window_state.h"
#include "oboard/board_ui.h"
#include "picture/bitmap_file.h"
#include "picture/picture_file_name.h"

namespace {

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
