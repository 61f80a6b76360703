// One undo step of a board's picture, as the history keeps it: the
// rectangle the step changed and one set of its pixels (what the picture
// held there before the step while it is done, after it once undone). A
// step is taken, swapped with the picture and grown here; the history
// (picture_history.h) only orders, counts and drops steps.
#ifndef OBOARD_PICTURE_PICTURE_STEP_H
#define OBOARD_PICTURE_PICTURE_STEP_H

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

class PictureContext;

// Pixels are kept as 32-bit DIB pixels, bottom-up like the scan lines
// GetDIBits counts: whatever the depth of the picture, they come back
// exactly as they were.
typedef uint32_t StepPixel;
struct FreeStepPixels {
    void operator()(StepPixel* pixels) const { std::free(pixels); }
};
typedef std::unique_ptr<StepPixel[], FreeStepPixels> StepPixels;

struct PictureStep {
    RECT area = {};  // within the picture, not empty
    StepPixels pixels;
};

// What a step of `area` costs, its bookkeeping included.
size_t StepBytes(const RECT& area);

// Keeps `area` of the picture that `picture` holds as it is now; false,
// with nothing kept, when its pixels could not be had. Read before anything
// is drawn, while the picture is in no context.
bool TakeStep(PictureStep& step, PictureContext& picture, const RECT& area);

// The step's pixels and the picture's trade places: an undo or a redo.
// False, with both as they were, when they could not.
bool SwapWithPicture(PictureStep& step, PictureContext& picture);

// Widens the step to `grown`, which holds its area: the part it had keeps
// its pixels, the new part comes from the picture. False, with the step as
// it was, when those could not be had.
bool GrowStep(PictureStep& step, PictureContext& picture, const RECT& grown);

#endif
