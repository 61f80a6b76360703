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

size_t PixelCount(const RECT& r)
{
    return IsRectEmpty(&r) ? 0 : static_cast<size_t>(Width(r)) * static_cast<size_t>(Height(r));
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

// A band's scan lines are read through this buffer. GetDIBits reads whole
// scan lines from the left edge, converting every pixel, so each band is
// read only as far right as its rectangle reaches.
StepPixel gScanBand[RegionBandHeight * PictureWidth];

// Reads the rectangle `band` (within one band) into `out`, bottom-up.
bool ReadBand(PictureContext& picture, const RECT& band, StepPixel* out)
{
    BITMAPINFO format = PixelFormat(band.right, PictureHeight);
    if (!picture.ReadScanLines(PictureHeight - band.bottom, Height(band), gScanBand, format))
        return false;
    for (LONG line = 0; line < Height(band); ++line)
        std::memcpy(&out[line * Width(band)], &gScanBand[line * band.right + band.left],
                    Width(band) * sizeof(StepPixel));
    return true;
}

// The pixels of `region` of the picture, in a new block; null when they
// could not be had.
StepPixels CapturePixels(PictureContext& picture, const StepRegion& region)
{
    StepPixels pixels(static_cast<StepPixel*>(std::malloc(RegionPixelCount(region) * sizeof(StepPixel))));
    if (!pixels)
        return nullptr;
    StepPixel* next = pixels.get();
    for (const RECT& band : region.bands) {
        if (IsRectEmpty(&band))
            continue;
        if (!ReadBand(picture, band, next))
            return nullptr;
        next += PixelCount(band);
    }
    return pixels;
}

bool PutPixels(PictureContext& picture, const StepRegion& region, const StepPixel* pixels)
{
    for (const RECT& band : region.bands) {
        if (IsRectEmpty(&band))
            continue;
        const BITMAPINFO info = PixelFormat(Width(band), Height(band));
        if (!StretchDIBits(picture.Dc(), band.left, band.top, Width(band), Height(band), 0, 0, Width(band),
                           Height(band), pixels, &info, DIB_RGB_COLORS, SRCCOPY))
            return false;
        pixels += PixelCount(band);
    }
    return true;
}

}  // namespace

size_t StepBytes(const StepRegion& region)
{
    return RegionPixelCount(region) * sizeof(StepPixel) + sizeof(PictureStep);
}

bool TakeStep(PictureStep& step, PictureContext& picture, const StepRegion& region)
{
    StepPixels pixels = CapturePixels(picture, region);
    if (!pixels)
        return false;
    step.region = region;
    step.pixels = std::move(pixels);
    return true;
}

bool SwapWithPicture(PictureStep& step, PictureContext& picture)
{
    StepPixels current = CapturePixels(picture, step.region);
    if (!current || !PutPixels(picture, step.region, step.pixels.get()))
        return false;
    step.pixels = std::move(current);
    return true;
}

bool GrowStep(PictureStep& step, PictureContext& picture, const StepRegion& grown)
{
    StepPixels pixels = CapturePixels(picture, grown);
    if (!pixels)
        return false;
    // Band by band, the old rectangle's rows over the grown one's; rows
    // count from the bottom in both.
    const StepPixel* from = step.pixels.get();
    StepPixel* to = pixels.get();
    for (int k = 0; k < RegionBandCount; ++k) {
        const RECT& old = step.region.bands[k];
        const RECT& wide = grown.bands[k];
        for (LONG row = 0; !IsRectEmpty(&old) && row < Height(old); ++row)
            std::memcpy(&to[(wide.bottom - old.bottom + row) * Width(wide) + (old.left - wide.left)],
                        &from[row * Width(old)], Width(old) * sizeof(StepPixel));
        from += PixelCount(old);
        to += PixelCount(wide);
    }
    step.region = grown;
    step.pixels = std::move(pixels);
    return true;
}
