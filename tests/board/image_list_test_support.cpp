#include "image_list_test_support.h"

#include <vector>

bool ImageHasAlpha(HIMAGELIST list, int index)
{
    HICON icon = ImageList_GetIcon(list, index, ILD_NORMAL);
    if (!icon)
        return false;
    ICONINFO info = {};
    GetIconInfo(icon, &info);
    bool alpha = false;
    if (info.hbmColor) {
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
        bmi.bmiHeader.biWidth = 16;
        bmi.bmiHeader.biHeight = -16;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        std::vector<uint32_t> pixels(16 * 16);
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, info.hbmColor, 0, 16, pixels.data(), &bmi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        for (uint32_t p : pixels) {
            uint32_t a = p >> 24;
            if (a != 0 && a != 255)
                alpha = true;
        }
    }
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    DestroyIcon(icon);
    return alpha;
}
