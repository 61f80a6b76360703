#include "picture_pixels.h"

Picture::Picture(HBITMAP bitmap) : pixels_(640 * 480, 0)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 640;
    info.bmiHeader.biHeight = -480;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> raw(640 * 480);
    HDC screen = GetDC(nullptr);
    valid_ = bitmap && GetDIBits(screen, bitmap, 0, 480, raw.data(), &info, DIB_RGB_COLORS) == 480;
    ReleaseDC(nullptr, screen);
    // DIB pixels are 0x00RRGGBB; COLORREF is 0x00BBGGRR.
    for (size_t i = 0; i < raw.size(); ++i) {
        uint32_t p = raw[i];
        pixels_[i] = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
}

int Picture::Count(COLORREF colour, int left, int top, int right, int bottom) const
{
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (At(x, y) == colour)
                ++count;
    return count;
}
