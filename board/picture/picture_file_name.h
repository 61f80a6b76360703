// The names a board's picture is saved under. The name the save dialog
// offers comes from the board's name, which the inviting contact chose, so
// it is made fit for a file first; the path the user picks is checked
// before anything is opened under it.
#ifndef OBOARD_PICTURE_PICTURE_FILE_NAME_H
#define OBOARD_PICTURE_PICTURE_FILE_NAME_H

#include <string>

// The types a picture is saved in, in the order the save dialog offers
// them.
enum class PictureFileType { Png = 1, Bmp = 2 };

// The file name offered for a board called `boardName`, with the extension
// of `type` (".png" or ".bmp"): the characters a file name cannot hold
// become '_', it is cut to a length that leaves the dialog room for a
// folder, it never names a device (NUL, COM1, "con.txt": a '_' follows the
// device's part), and a name with nothing left is "obraz".
std::string OfferedPictureFileName(const std::string& boardName, PictureFileType type);

// The type a file of `path` is written in: the one its extension names
// (".png" or ".bmp", in any case), else `chosen`, the dialog's.
PictureFileType FileTypeOfPath(const std::string& path, PictureFileType chosen);

// `name` with the extension of `type` in place of a ".png" or ".bmp" one;
// any other name as it is.
std::string WithTypeExtension(const std::string& name, PictureFileType type);

// True when the last part of `path` names a device rather than a file
// (CON, PRN, AUX, NUL, COM0 to COM9, LPT0 to LPT9, CONIN$, CONOUT$, with
// any extension): opening it would write nowhere, or wait on a port.
bool NamesDevice(const std::string& path);

#endif
