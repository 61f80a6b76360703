#include "picture/picture_context.h"

PictureContext::PictureContext(HWND window, HBITMAP picture)
    : window_(window), windowDc_(GetDC(window)), memory_(nullptr), picture_(picture), previous_(nullptr),
      selectTried_(false)
{
    memory_ = CreateCompatibleDC(windowDc_);
}

HDC PictureContext::Dc()
{
    if (!selectTried_ && HasPicture()) {
        selectTried_ = true;
        previous_ = SelectObject(memory_, picture_);
    }
    return previous_ ? memory_ : nullptr;
}

PictureContext::~PictureContext()
{
    if (memory_) {
        // Deselect first: the picture outlives this step.
        if (previous_)
            SelectObject(memory_, previous_);
        DeleteDC(memory_);
    }
    if (windowDc_)
        ReleaseDC(window_, windowDc_);
}

bool PictureContext::ReadScanLines(UINT first, UINT count, void* bits, BITMAPINFO& format)
{
    if (!HasPicture())
        return false;
    if (previous_)
        SelectObject(memory_, previous_);
    const int lines = GetDIBits(memory_, picture_, first, count, bits, &format, DIB_RGB_COLORS);
    if (previous_)
        SelectObject(memory_, picture_);
    return lines == static_cast<int>(count);
}
