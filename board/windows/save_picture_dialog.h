// Saving a board's picture: the system's save dialog, offering a name made
// from the board's, and the file written where the user chose, or a
// message box that says why it was not.
#ifndef OBOARD_WINDOWS_SAVE_PICTURE_DIALOG_H
#define OBOARD_WINDOWS_SAVE_PICTURE_DIALOG_H

#include <windows.h>

// Runs the dialog for `canvas`'s board. Its message loop may let the board
// close: nothing is written then, and the caller finds the canvas gone.
void SavePicture(HWND canvas);

#endif
