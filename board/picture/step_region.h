// The part of a board's picture that one change may touch, and so what its
// undo step keeps: at most one rectangle in each band of 32 scan lines. A
// long diagonal line keeps a narrow rectangle in each band it crosses rather
// than its whole bounding box; a box shape keeps its box. Few rectangles
// keep both the reading of the pixels and the clipping of the drawing to
// them cheap under GDI.
#ifndef OBOARD_PICTURE_STEP_REGION_H
#define OBOARD_PICTURE_STEP_REGION_H

#include <windows.h>

#include <cstddef>

#include "oboard/board_ui.h"

enum { RegionBandHeight = 32, RegionBandCount = (PictureHeight + RegionBandHeight - 1) / RegionBandHeight };

struct StepRegion {
    // bands[k] lies within the scan lines [32k, 32k + 32) of the picture;
    // empty where the region has nothing in that band.
    RECT bands[RegionBandCount];
};

// The scan lines of band `k`, across the whole picture.
RECT BandOfRegion(int k);

// `area` cut to the picture, band by band.
StepRegion RegionOfRect(const RECT& area);

bool IsRegionEmpty(const StepRegion& region);
size_t RegionPixelCount(const StepRegion& region);

// Narrows the clipping of `dc` (logical coordinates of its mapping, as
// picture coordinates) to `region`. An empty region clips everything away.
// Restore the context (SaveDC / RestoreDC) to undo it.
void ClipToRegion(HDC dc, const StepRegion& region);

#endif
