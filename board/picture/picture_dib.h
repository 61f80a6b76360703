// A board's picture as a 24-bit device-independent bitmap: the form it is
// copied to the clipboard in and written to a BMP file in.
#ifndef OBOARD_PICTURE_PICTURE_DIB_H
#define OBOARD_PICTURE_PICTURE_DIB_H

#include <windows.h>

#include <cstddef>

// The bytes of the picture's DIB: a BITMAPINFOHEADER followed by the rows,
// bottom-up, three bytes a pixel (blue, green, red), each row a multiple of
// four bytes long.
size_t PictureDibBytes();

// Fills `dib` (PictureDibBytes() long) with the DIB of the 640x480
// `picture`, which is not selected into any context. False when the
// picture's pixels could not be read.
bool ReadPictureDib(HBITMAP picture, void* dib);

#endif
