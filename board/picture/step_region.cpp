#include "picture/step_region.h"

#include <algorithm>
#include <iterator>

namespace {

const RECT WholePicture = {0, 0, PictureWidth, PictureHeight};

// The region's rectangles with bands of the same columns that touch made
// one: a box is one rectangle again. Answers how many there are.
int MergedRectangles(const StepRegion& region, RECT (&merged)[RegionBandCount])
{
    int count = 0;
    for (const RECT& band : region.bands) {
        if (IsRectEmpty(&band))
            continue;
        RECT* last = count ? &merged[count - 1] : nullptr;
        if (last && last->left == band.left && last->right == band.right && last->bottom == band.top)
            last->bottom = band.bottom;
        else
            merged[count++] = band;
    }
    return count;
}

}  // namespace

RECT BandOfRegion(int k)
{
    RECT band = {0, k * RegionBandHeight, PictureWidth, std::min<LONG>((k + 1) * RegionBandHeight, PictureHeight)};
    return band;
}

StepRegion RegionOfRect(const RECT& area)
{
    StepRegion region = {};
    RECT cut;
    if (!IntersectRect(&cut, &area, &WholePicture))
        return region;
    for (int k = 0; k < RegionBandCount; ++k) {
        const RECT band = BandOfRegion(k);
        IntersectRect(&region.bands[k], &cut, &band);
    }
    return region;
}

bool IsRegionEmpty(const StepRegion& region)
{
    return std::all_of(std::begin(region.bands), std::end(region.bands),
                       [](const RECT& band) { return IsRectEmpty(&band) != 0; });
}

size_t RegionPixelCount(const StepRegion& region)
{
    size_t pixels = 0;
    for (const RECT& band : region.bands)
        if (!IsRectEmpty(&band))
            pixels += static_cast<size_t>(band.right - band.left) * static_cast<size_t>(band.bottom - band.top);
    return pixels;
}

void ClipToRegion(HDC dc, const StepRegion& region)
{
    RECT merged[RegionBandCount];
    const int count = MergedRectangles(region, merged);
    RECT bounds = {0, 0, 0, 0};
    for (int i = 0; i < count; ++i)
        UnionRect(&bounds, &bounds, &merged[i]);
    // The bounds first: the clipping then exists, in logical coordinates,
    // and a box needs no more.
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    if (count < 2)
        return;
    // A clipping region is given in device coordinates.
    struct {
        RGNDATAHEADER header;
        RECT rects[RegionBandCount];
    } data = {};
    for (int i = 0; i < count; ++i) {
        data.rects[i] = merged[i];
        LPtoDP(dc, reinterpret_cast<POINT*>(&data.rects[i]), 2);
    }
    data.header.dwSize = sizeof data.header;
    data.header.iType = RDH_RECTANGLES;
    data.header.nCount = static_cast<DWORD>(count);
    data.header.rcBound = bounds;
    LPtoDP(dc, reinterpret_cast<POINT*>(&data.header.rcBound), 2);
    HRGN clip = ExtCreateRegion(nullptr, static_cast<DWORD>(sizeof data.header + count * sizeof(RECT)),
                                reinterpret_cast<const RGNDATA*>(&data));
    if (clip) {
        ExtSelectClipRgn(dc, clip, RGN_AND);
        DeleteObject(clip);
    } else {
        // Without the region nothing may be drawn beyond what is kept.
        IntersectClipRect(dc, 0, 0, 0, 0);
    }
}
