#include "windows/save_picture_dialog.h"

#include <cderr.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/board_window_state.h"
#include "common/ui_texts.h"
#include "oboard/board_ui.h"
#include "picture/bitmap_file.h"
#include "picture/picture_file_name.h"
#include "picture/png_codec.h"
#include "picture/whole_file.h"

namespace {

// The dialog's default extension of each type, without the dot.
const char* DefaultExtension(PictureFileType type)
{
    return type == PictureFileType::Bmp ? "bmp" : "png";
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

// The name in the dialog follows the type chosen in it, as long as it has
// the other type's extension.
UINT_PTR CALLBACK FollowTypeHook(HWND hook, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_NOTIFY || reinterpret_cast<const NMHDR*>(lParam)->code != CDN_TYPECHANGE)
        return 0;
    const OPENFILENAMEA& dialog = *reinterpret_cast<const OFNOTIFYA*>(lParam)->lpOFN;
    HWND box = GetParent(hook);
    char name[MAX_PATH] = {};
    if (CommDlg_OpenSave_GetSpec(box, name, sizeof name) <= 0)
        return 0;
    const std::string renamed = WithTypeExtension(name, static_cast<PictureFileType>(dialog.nFilterIndex));
    if (renamed != name)
        CommDlg_OpenSave_SetControlText(box, cmb13, renamed.c_str());
    return 0;
}

// Writes the picture to `path` in `type`; tells the user what failed.
// False when the system cannot write PNG, which has not been told yet.
bool WritePicture(HWND frame, const char* path, HBITMAP picture, PictureFileType type)
{
    bool written = false;
    if (type == PictureFileType::Bmp) {
        written = WriteBitmapFile(path, picture);
    } else {
        std::vector<uint8_t> png;
        const PngOutcome outcome = EncodePicturePng(picture, png);
        if (outcome == PngOutcome::NoEncoder)
            return false;
        written = outcome == PngOutcome::Done && WriteWholeFile(path, png.data(), png.size());
    }
    if (!written)
        TellSaveProblem(frame, TextSaveFailed + std::string(path));
    return true;
}

// The dialog offering `type` first; true with the picture written or the
// user told why not, false when PNG was chosen and cannot be written here.
bool SaveThroughDialog(HWND canvas, PictureFileType type)
{
    HWND frame = GetAncestor(canvas, GA_ROOT);
    char path[MAX_PATH] = {};
    const std::string name = OfferedPictureFileName(BoardName(frame), type);
    std::strncpy(path, name.c_str(), sizeof path - 1);

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = frame;
    dialog.lpstrFilter = TextSaveFileTypes;
    dialog.nFilterIndex = static_cast<DWORD>(type);
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrTitle = TextSaveTitle;
    dialog.lpstrDefExt = DefaultExtension(type);
    dialog.lpfnHook = FollowTypeHook;
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
        OFN_ENABLEHOOK | OFN_ENABLESIZING;
    const bool chosen = GetSaveFileNameA(&dialog) != 0;

    // The dialog's message loop may have let the board close.
    const BoardWindowState* board = IsWindow(canvas) ? BoardStateOf(canvas) : nullptr;
    if (!board || !board->canvasBitmap)
        return true;
    if (!chosen) {
        TellDialogFailure(frame);
        return true;
    }
    // A device would take the bytes and keep no file, or hold the thread
    // on a serial port.
    if (NamesDevice(path)) {
        TellSaveProblem(frame, TextDeviceRefused + std::string(path));
        return true;
    }
    const PictureFileType chosenType =
        dialog.nFilterIndex == static_cast<DWORD>(PictureFileType::Bmp) ? PictureFileType::Bmp : PictureFileType::Png;
    return WritePicture(frame, path, board->canvasBitmap, FileTypeOfPath(path, chosenType));
}

}  // namespace

void SavePicture(HWND canvas)
{
    // Where PNG cannot be written the user is told so and offered the
    // bitmap. A box or the dialog may let the board close meanwhile.
    PictureFileType type = PictureFileType::Png;
    while (IsWindow(canvas) && !SaveThroughDialog(canvas, type)) {
        if (IsWindow(canvas))
            TellSaveProblem(GetAncestor(canvas, GA_ROOT), TextPngUnavailable);
        type = PictureFileType::Bmp;
    }
}
