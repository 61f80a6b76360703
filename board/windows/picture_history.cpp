#include "windows/picture_history.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <utility>

#include "common/board_window_state.h"
#include "oboard/board_ui.h"
#include "windows/canvas_drawing.h"

namespace {

// Pixels are kept as 32-bit DIB pixels, bottom-up like the scan lines
// GetDIBits counts: whatever the depth of the picture, they come back
// exactly as they were.
typedef uint32_t Pixel;

struct FreePixels {
    void operator()(Pixel* pixels) const { std::free(pixels); }
};
typedef std::unique_ptr<Pixel[], FreePixels> PixelBlock;

struct PictureStep {
    RECT area = {};
    PixelBlock pixels;  // before the step while it is done, after it once undone
};

const size_t PictureBytes = static_cast<size_t>(PictureWidth) * PictureHeight * sizeof(Pixel);
// Two whole pictures: a clear and a paste over the whole board both stay
// undoable, and a board's steps never hold more.
const size_t HistoryBudget = 2 * (PictureBytes + sizeof(PictureStep));

// A stroke's rectangle grows by this much more than its new piece needs, on
// the side it grows: a stroke dragged across the picture is copied again a
// few dozen times, not at every piece.
const LONG StrokeGrowth = 64;

struct PictureHistory {
    std::deque<PictureStep> steps;  // oldest first
    size_t done = 0;                // steps[0, done) are done, the others undone
    bool strokeOpen = false;        // steps[done - 1] is the stroke being drawn
    size_t bytes = 0;               // what the steps hold
};

std::map<const BoardWindowState*, PictureHistory> gPictureHistories;

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

size_t StepBytes(const RECT& area)
{
    return PixelCount(area) * sizeof(Pixel) + sizeof(PictureStep);
}

RECT CutToPicture(const RECT& area)
{
    const RECT picture = {0, 0, PictureWidth, PictureHeight};
    RECT cut;
    if (!IntersectRect(&cut, &area, &picture))
        SetRectEmpty(&cut);
    return cut;
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
Pixel gScanBand[BandLines * PictureWidth];

// The pixels of `area` of the picture, in a new block; null when they could
// not be had. Read before anything is drawn, while the picture is in no
// context.
PixelBlock CapturePixels(PictureContext& picture, const RECT& area)
{
    const LONG width = Width(area);
    PixelBlock pixels(static_cast<Pixel*>(std::malloc(PixelCount(area) * sizeof(Pixel))));
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
                        width * sizeof(Pixel));
        done += lines;
    }
    return pixels;
}

bool PutPixels(PictureContext& picture, const RECT& area, const Pixel* pixels)
{
    const BITMAPINFO info = PixelFormat(Width(area), Height(area));
    return StretchDIBits(picture.Dc(), area.left, area.top, Width(area), Height(area), 0, 0, Width(area), Height(area),
                         pixels, &info, DIB_RGB_COLORS, SRCCOPY) != 0;
}

// The step's pixels and the picture's trade places.
bool SwapWithPicture(PictureStep& step, PictureContext& picture)
{
    PixelBlock current = CapturePixels(picture, step.area);
    if (!current || !PutPixels(picture, step.area, step.pixels.get()))
        return false;
    step.pixels = std::move(current);
    return true;
}

PictureHistory* FindHistory(const BoardWindowState& board)
{
    auto found = gPictureHistories.find(&board);
    return found == gPictureHistories.end() ? nullptr : &found->second;
}

void DropOldest(PictureHistory& history)
{
    history.bytes -= StepBytes(history.steps.front().area);
    history.steps.pop_front();
    --history.done;
}

// A new change: what was undone cannot come back.
void DropUndone(PictureHistory& history)
{
    while (history.steps.size() > history.done) {
        history.bytes -= StepBytes(history.steps.back().area);
        history.steps.pop_back();
    }
}

// Room for `more` bytes within the budget, by dropping the oldest steps;
// the open stroke, which is the newest, stays.
void MakeRoom(PictureHistory& history, size_t more)
{
    const size_t kept = history.strokeOpen ? 1 : 0;
    while (history.steps.size() > kept && history.bytes + more > HistoryBudget)
        DropOldest(history);
}

void DropAll(PictureHistory& history)
{
    history.steps.clear();
    history.done = 0;
    history.strokeOpen = false;
    history.bytes = 0;
}

// Keeps `area` of the picture as a new step, done.
bool PushStep(PictureHistory& history, PictureContext& picture, const RECT& area)
{
    DropUndone(history);
    MakeRoom(history, StepBytes(area));
    PictureStep step;
    step.area = area;
    step.pixels = CapturePixels(picture, area);
    if (!step.pixels) {
        DropAll(history);
        return false;
    }
    history.steps.push_back(std::move(step));
    history.bytes += StepBytes(area);
    history.done = history.steps.size();
    return true;
}

// The open stroke's rectangle widened to hold `piece`: the part it had keeps
// the pixels it kept (from before the stroke), the new part comes from the
// picture, which the stroke has not touched there yet.
void GrowStroke(PictureHistory& history, PictureContext& picture, const RECT& piece)
{
    PictureStep& stroke = history.steps[history.done - 1];
    const RECT old = stroke.area;
    RECT grown;
    UnionRect(&grown, &old, &piece);
    if (EqualRect(&grown, &old))
        return;
    if (grown.left < old.left)
        grown.left -= StrokeGrowth;
    if (grown.top < old.top)
        grown.top -= StrokeGrowth;
    if (grown.right > old.right)
        grown.right += StrokeGrowth;
    if (grown.bottom > old.bottom)
        grown.bottom += StrokeGrowth;
    grown = CutToPicture(grown);

    MakeRoom(history, StepBytes(grown) - StepBytes(old));
    PixelBlock pixels = CapturePixels(picture, grown);
    if (!pixels) {
        DropAll(history);
        return;
    }
    // Rows count from the bottom in both blocks.
    const LONG oldWidth = Width(old), grownWidth = Width(grown);
    for (LONG row = 0; row < Height(old); ++row)
        std::memcpy(&pixels[(grown.bottom - old.bottom + row) * grownWidth + (old.left - grown.left)],
                    &stroke.pixels[row * oldWidth], oldWidth * sizeof(Pixel));
    history.bytes += StepBytes(grown) - StepBytes(old);
    stroke.area = grown;
    stroke.pixels = std::move(pixels);
}

}  // namespace

void RecordPictureStep(const BoardWindowState& board, PictureContext& picture, const RECT& area)
{
    const RECT cut = CutToPicture(area);
    if (!picture.HasPicture() || IsRectEmpty(&cut))
        return;
    PictureHistory& history = gPictureHistories[&board];
    history.strokeOpen = false;
    PushStep(history, picture, cut);
}

void RecordStrokePiece(const BoardWindowState& board, PictureContext& picture, const RECT& area)
{
    const RECT cut = CutToPicture(area);
    if (!picture.HasPicture() || IsRectEmpty(&cut))
        return;
    PictureHistory& history = gPictureHistories[&board];
    if (history.strokeOpen)
        GrowStroke(history, picture, cut);
    else
        history.strokeOpen = PushStep(history, picture, cut);
}

void EndPictureStroke(const BoardWindowState& board)
{
    if (PictureHistory* history = FindHistory(board))
        history->strokeOpen = false;
}

bool CanUndoPicture(const BoardWindowState& board)
{
    const PictureHistory* history = FindHistory(board);
    return history && history->done > 0;
}

bool CanRedoPicture(const BoardWindowState& board)
{
    const PictureHistory* history = FindHistory(board);
    return history && history->done < history->steps.size();
}

bool UndoPictureStep(const BoardWindowState& board, PictureContext& picture)
{
    PictureHistory* history = FindHistory(board);
    if (!picture.HasPicture() || !history || history->done == 0)
        return false;
    history->strokeOpen = false;
    if (!SwapWithPicture(history->steps[history->done - 1], picture))
        return false;
    --history->done;
    return true;
}

bool RedoPictureStep(const BoardWindowState& board, PictureContext& picture)
{
    PictureHistory* history = FindHistory(board);
    if (!picture.HasPicture() || !history || history->done == history->steps.size())
        return false;
    if (!SwapWithPicture(history->steps[history->done], picture))
        return false;
    ++history->done;
    return true;
}

void ForgetPictureHistory(const BoardWindowState& board)
{
    gPictureHistories.erase(&board);
}
