#include "picture/picture_dib.h"

#include <cstdint>
#include <cstring>

#include "oboard/board_ui.h"

namespace {

const WORD BitsPerPixel = 24;

size_t RowBytes()
{
    return (static_cast<size_t>(PictureWidth) * BitsPerPixel / 8 + 3) & ~static_cast<size_t>(3);
}

}  // namespace

size_t PictureDibBytes()
{
    return sizeof(BITMAPINFOHEADER) + RowBytes() * PictureHeight;
}

bool ReadPictureDib(HBITMAP picture, void* dib)
{
    if (!picture || !dib)
        return false;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = PictureWidth;
    header.biHeight = PictureHeight;  // bottom-up, as most readers expect
    header.biPlanes = 1;
    header.biBitCount = BitsPerPixel;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(RowBytes() * PictureHeight);
    std::memcpy(dib, &header, sizeof header);
    uint8_t* rows = static_cast<uint8_t*>(dib) + sizeof header;
    // GetDIBits reads the format from the header it fills in: a copy, so
    // that what it writes back cannot reach past the header given.
    BITMAPINFO info = {};
    info.bmiHeader = header;
    HDC screen = GetDC(nullptr);
    if (!screen)
        return false;
    const int lines = GetDIBits(screen, picture, 0, PictureHeight, rows, &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return lines == PictureHeight;
}
