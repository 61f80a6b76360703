// The picture through the clipboard, as a device-independent bitmap
// (CF_DIB), which any program that takes pictures understands, and as the
// bytes of a PNG file (the registered format "PNG"), which many programs
// paste.
#ifndef OBOARD_PICTURE_PICTURE_TRANSFER_H
#define OBOARD_PICTURE_PICTURE_TRANSFER_H

#include <windows.h>

struct BoardWindowState;

// Puts the whole picture on the clipboard, 24 bits a pixel, with `owner` as
// the clipboard's owner: as CF_DIB and, where the system can encode it, as
// PNG. False when the DIB could not be put.
bool CopyPictureToClipboard(HWND owner, HBITMAP picture);

// True when the clipboard holds a picture that a paste could take.
bool ClipboardHasPicture();

// Draws the clipboard's picture into `canvas`'s board at picture point `at`
// (the top left of the visible part), at its own size, cut to the 640x480
// picture, as one step that can be undone: the CF_DIB when there is one,
// else the PNG. False when nothing was pasted: no picture on the
// clipboard, or one whose record does not hold together, or PNG bytes that
// the system's imaging library does not read.
bool PastePicture(HWND canvas, const BoardWindowState& board, POINT at);

#endif
