// One undo step of a board's picture, as the history keeps it: the region
// the step changed (step_region.h) and one set of its pixels (what the
// picture held there before the step while it is done, after it once
// undone). A step is taken, swapped with the picture and grown here; the
// history (picture_history.h) only orders, counts and drops steps.
#ifndef OBOARD_PICTURE_PICTURE_STEP_H
#define OBOARD_PICTURE_PICTURE_STEP_H

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "picture/step_region.h"

class PictureContext;

// Pixels are kept as 32-bit DIB pixels, the region's rectangles one after
// the other, each bottom-up like the scan lines GetDIBits counts: whatever
// the depth of the picture, they come back exactly as they were.
typedef uint32_t StepPixel;
struct FreeStepPixels {
    void operator()(StepPixel* pixels) const { std::free(pixels); }
};
typedef std::unique_ptr<StepPixel[], FreeStepPixels> StepPixels;

struct PictureStep {
    StepRegion region = {};  // within the picture, not empty
    StepPixels pixels;
};

// What a step of `region` costs, its bookkeeping included.
size_t StepBytes(const StepRegion& region);

// Keeps `region` of the picture that `picture` holds as it is now; false,
// with nothing kept, when its pixels could not be had. Read before anything
// is drawn, while the picture is in no context.
bool TakeStep(PictureStep& step, PictureContext& picture, const StepRegion& region);

// The step's pixels and the picture's trade places: an undo or a redo.
// False, with both as they were, when they could not.
bool SwapWithPicture(PictureStep& step, PictureContext& picture);

// Widens the step to `grown`, whose every band holds the step's: the part
// it had keeps its pixels, the new part comes from the picture. False, with
// the step as it was, when those could not be had.
bool GrowStep(PictureStep& step, PictureContext& picture, const StepRegion& grown);

#endif
