// Undo and redo of a board's picture: the order of its steps, which are
// done and which undone, and what they may cost. What one step keeps, and
// how it is swapped with the picture, is picture_step.h's: undoing or
// redoing a step swaps its pixels with the picture's, so a step costs its
// region once, either way.
//
// A board's steps keep at most twice the picture's size (the oldest go
// first), from the board's first change until ForgetPictureHistory when the
// board goes. The histories live in a table beside the boards' records,
// keyed by the record, which stays as it is. Changes reach the history
// through the one picture operation (picture_change.h).
#ifndef OBOARD_PICTURE_PICTURE_HISTORY_H
#define OBOARD_PICTURE_PICTURE_HISTORY_H

#include <windows.h>

#include "picture/step_region.h"

struct BoardWindowState;
class PictureContext;

// Before `region` of the picture changes as one step: a shape, a clear, a
// paste, another plugin's drawing. `picture` holds the board's picture. A
// stroke still open is closed first and the steps undone are dropped.
// Nothing is kept for an empty region or a context without picture. If the
// pixels cannot be kept, the board's history is dropped whole: undoing past
// a change that was not kept would mix pictures.
void RecordPictureStep(const BoardWindowState& board, PictureContext& picture, const StepRegion& region);

// Before one piece of a free-hand stroke changes `region`. The pieces from
// the first until EndPictureStroke, or until any other step or an undo or
// redo of this board, make one step, which keeps every band's rectangle
// that the pieces touched.
void RecordStrokePiece(const BoardWindowState& board, PictureContext& picture, const StepRegion& region);
void EndPictureStroke(const BoardWindowState& board);

bool CanUndoPicture(const BoardWindowState& board);
bool CanRedoPicture(const BoardWindowState& board);

// Undoes the last step done, or redoes the first step undone, on the picture
// held by `picture`. False when there is none, or its pixels could not be
// swapped (the step then stays where it was).
bool UndoPictureStep(const BoardWindowState& board, PictureContext& picture);
bool RedoPictureStep(const BoardWindowState& board, PictureContext& picture);

// The board goes: its steps are freed.
void ForgetPictureHistory(const BoardWindowState& board);

#endif
