// Writing a board's picture to a BMP file.
#ifndef OBOARD_PICTURE_BITMAP_FILE_H
#define OBOARD_PICTURE_BITMAP_FILE_H

#include <windows.h>

// Writes the 640x480 `picture`, which is not selected into any context, to
// `path` as a BMP file (a BITMAPFILEHEADER, then its 24-bit DIB,
// picture_dib.h), replacing a file of that name. False when it could not;
// a file begun is removed again.
bool WriteBitmapFile(const char* path, HBITMAP picture);

#endif
