#include "picture/picture_step.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "oboard/board_ui.h"
#include "picture/picture_context.h"

namespace {

LONG Width(const RECT& r)
{
    return r.right - r.left;
}
LONG Height(const RECT& r)
{
    return r.bottom - r.top;
}

size_t PixelCount(const RECT& area)
{
    return static_cast<size_t>(Width(area)) * static_cast<size_t>(Height(area));
}

BITMAPINFO PixelFormat(LONG width, LONG height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// Scan lines are read through this band, a few at a time: GetDIBits reads
// whole lines, and a block of the picture's width for every step would cost
// more to get from the system than the copy itself.
const LONG BandLines = 32;
StepPixel gScanBand[BandLines * PictureWidth];

// The pixels of `area` of the picture, in a new block; null when they could
// not be had.
StepPixels CapturePixels(PictureContext& picture, const RECT& area)
{
    const LONG width = Width(area);
    StepPixels pixels(static_cast<StepPixel*>(std::malloc(PixelCount(area) * sizeof(StepPixel))));
    if (!pixels)
        return nullptr;
    BITMAPINFO format = PixelFormat(PictureWidth, PictureHeight);
    // Rows of the block count from the area's bottom, as scan lines do.
    for (LONG done = 0; done < Height(area);) {
        const LONG lines = std::min(BandLines, Height(area) - done);
        if (!picture.ReadScanLines(PictureHeight - area.bottom + done, lines, gScanBand, format))
            return nullptr;
        for (LONG line = 0; line < lines; ++line)
            std::memcpy(&pixels[(done + line) * width], &gScanBand[line * PictureWidth + area.left],
                        width * sizeof(StepPixel));
        done += lines;
    }
    return pixels;
}

bool PutPixels(PictureContext& picture, const RECT& area, const StepPixel* pixels)
{
    const BITMAPINFO info = PixelFormat(Width(area), Height(area));
    return StretchDIBits(picture.Dc(), area.left, area.top, Width(area), Height(area), 0, 0, Width(area), Height(area),
                         pixels, &info, DIB_RGB_COLORS, SRCCOPY) != 0;
}

}  // namespace

size_t StepBytes(const RECT& area)
{
    return PixelCount(area) * sizeof(StepPixel) + sizeof(PictureStep);
}

bool TakeStep(PictureStep& step, PictureContext& picture, const RECT& area)
{
    StepPixels pixels = CapturePixels(picture, area);
    if (!pixels)
        return false;
    step.area = area;
    step.pixels = std::move(pixels);
    return true;
}

bool SwapWithPicture(PictureStep& step, PictureContext& picture)
{
    StepPixels current = CapturePixels(picture, step.area);
    if (!current || !PutPixels(picture, step.area, step.pixels.get()))
        return false;
    step.pixels = std::move(current);
    return true;
}

bool GrowStep(PictureStep& step, PictureContext& picture, const RECT& grown)
{
    StepPixels pixels = CapturePixels(picture, grown);
    if (!pixels)
        return false;
    // Rows count from the bottom in both blocks.
    const RECT old = step.area;
    const LONG oldWidth = Width(old), grownWidth = Width(grown);
    for (LONG row = 0; row < Height(old); ++row)
        std::memcpy(&pixels[(grown.bottom - old.bottom + row) * grownWidth + (old.left - grown.left)],
                    &step.pixels[row * oldWidth], oldWidth * sizeof(StepPixel));
    step.area = grown;
    step.pixels = std::move(pixels);
    return true;
}
