#include "board_picture.h"

BoardPicture::BoardPicture(HBITMAP bitmap) : pixels_(PictureWidth * PictureHeight, 0)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = PictureWidth;
    info.bmiHeader.biHeight = -PictureHeight;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    valid_ =
        bitmap && GetDIBits(screen, bitmap, 0, PictureHeight, pixels_.data(), &info, DIB_RGB_COLORS) == PictureHeight;
    ReleaseDC(nullptr, screen);
    for (uint32_t& pixel : pixels_)
        pixel &= 0xFFFFFF;
}

int BoardPicture::CountNotWhite(int x1, int y1, int x2, int y2) const
{
    return (x2 - x1) * (y2 - y1) - Count(0xFFFFFF, x1, y1, x2, y2);
}

int BoardPicture::Count(uint32_t rgb, int x1, int y1, int x2, int y2) const
{
    int count = 0;
    for (int y = y1; y < y2; ++y)
        for (int x = x1; x < x2; ++x)
            count += At(x, y) == rgb;
    return count;
}

int BoardPicture::CountDifferent(const BoardPicture& other) const
{
    int count = 0;
    for (size_t i = 0; i < pixels_.size(); ++i)
        count += pixels_[i] != other.pixels_[i];
    return count;
}
