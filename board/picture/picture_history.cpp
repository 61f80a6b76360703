#include "picture/picture_history.h"

#include <deque>
#include <map>
#include <utility>

#include "common/board_window_state.h"
#include "oboard/board_ui.h"
#include "picture/picture_context.h"
#include "picture/picture_step.h"

namespace {

const RECT WholePicture = {0, 0, PictureWidth, PictureHeight};
// Two whole pictures: a clear and a paste over the whole board both stay
// undoable, and a board's steps never hold more.
const size_t HistoryBudget = 2 * StepBytes(RegionOfRect(WholePicture));

// A band's rectangle of a stroke grows by this much more than its new piece
// needs, on the side it grows (within the band): a stroke dragged across
// the picture reads a band again a few times, not at every piece.
const LONG StrokeGrowth = 32;

struct PictureHistory {
    std::deque<PictureStep> steps;  // oldest first
    size_t done = 0;                // steps[0, done) are done, the others undone
    bool strokeOpen = false;        // steps[done - 1] is the stroke being drawn
    size_t bytes = 0;               // what the steps hold
};

std::map<const BoardWindowState*, PictureHistory> gPictureHistories;

PictureHistory* FindHistory(const BoardWindowState& board)
{
    auto found = gPictureHistories.find(&board);
    return found == gPictureHistories.end() ? nullptr : &found->second;
}

void DropOldest(PictureHistory& history)
{
    history.bytes -= StepBytes(history.steps.front().region);
    history.steps.pop_front();
    --history.done;
}

// A new change: what was undone cannot come back.
void DropUndone(PictureHistory& history)
{
    while (history.steps.size() > history.done) {
        history.bytes -= StepBytes(history.steps.back().region);
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

// Keeps `region` of the picture as a new step, done.
bool PushStep(PictureHistory& history, PictureContext& picture, const StepRegion& region)
{
    DropUndone(history);
    MakeRoom(history, StepBytes(region));
    PictureStep step;
    if (!TakeStep(step, picture, region)) {
        DropAll(history);
        return false;
    }
    history.steps.push_back(std::move(step));
    history.bytes += StepBytes(region);
    history.done = history.steps.size();
    return true;
}

// A band's rectangle of the open stroke widened to hold the piece's, with
// room to spare on the sides it grows, within the band.
RECT GrownBand(int k, const RECT& old, const RECT& piece)
{
    RECT grown;
    if (IsRectEmpty(&piece) || !UnionRect(&grown, &old, &piece) || EqualRect(&grown, &old))
        return old;
    if (IsRectEmpty(&old)) {
        InflateRect(&grown, StrokeGrowth, StrokeGrowth);
    } else {
        grown.left -= grown.left < old.left ? StrokeGrowth : 0;
        grown.top -= grown.top < old.top ? StrokeGrowth : 0;
        grown.right += grown.right > old.right ? StrokeGrowth : 0;
        grown.bottom += grown.bottom > old.bottom ? StrokeGrowth : 0;
    }
    const RECT band = BandOfRegion(k);
    IntersectRect(&grown, &grown, &band);
    return grown;
}

// The open stroke's region widened to hold `piece`: the part it had keeps
// the pixels it kept (from before the stroke), the new part comes from the
// picture, which the stroke has not touched there yet.
void GrowStroke(PictureHistory& history, PictureContext& picture, const StepRegion& piece)
{
    PictureStep& stroke = history.steps[history.done - 1];
    StepRegion grown = stroke.region;
    bool grows = false;
    for (int k = 0; k < RegionBandCount; ++k) {
        grown.bands[k] = GrownBand(k, stroke.region.bands[k], piece.bands[k]);
        grows = grows || !EqualRect(&grown.bands[k], &stroke.region.bands[k]);
    }
    if (!grows)
        return;
    const size_t oldBytes = StepBytes(stroke.region), grownBytes = StepBytes(grown);
    MakeRoom(history, grownBytes - oldBytes);
    if (!GrowStep(stroke, picture, grown)) {
        DropAll(history);
        return;
    }
    history.bytes += grownBytes - oldBytes;
}

}  // namespace

void RecordPictureStep(const BoardWindowState& board, PictureContext& picture, const StepRegion& region)
{
    if (!picture.HasPicture() || IsRegionEmpty(region))
        return;
    PictureHistory& history = gPictureHistories[&board];
    history.strokeOpen = false;
    PushStep(history, picture, region);
}

void RecordStrokePiece(const BoardWindowState& board, PictureContext& picture, const StepRegion& region)
{
    if (!picture.HasPicture() || IsRegionEmpty(region))
        return;
    PictureHistory& history = gPictureHistories[&board];
    if (history.strokeOpen) {
        GrowStroke(history, picture, region);
    } else {
        // The first piece's region with room to grow, as a grown one has.
        StepRegion first = {};
        for (int k = 0; k < RegionBandCount; ++k)
            first.bands[k] = GrownBand(k, first.bands[k], region.bands[k]);
        history.strokeOpen = PushStep(history, picture, first);
    }
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
