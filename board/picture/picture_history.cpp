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
const size_t HistoryBudget = 2 * StepBytes(WholePicture);

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

RECT CutToPicture(const RECT& area)
{
    RECT cut;
    if (!IntersectRect(&cut, &area, &WholePicture))
        SetRectEmpty(&cut);
    return cut;
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
    if (!TakeStep(step, picture, area)) {
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
// picture, which the stroke has not touched there yet; a little more than
// the piece needs, so that it grows seldom.
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
    if (!GrowStep(stroke, picture, grown)) {
        DropAll(history);
        return;
    }
    history.bytes += StepBytes(grown) - StepBytes(old);
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
