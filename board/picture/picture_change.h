// The one way a board's picture changes: the part that is about to change is
// kept as a step that can be undone, then it is drawn. Shapes of the user's
// tools and of other plugins' requests, the clear and the paste all come
// here, so that none draws without its step.
#ifndef OBOARD_PICTURE_PICTURE_CHANGE_H
#define OBOARD_PICTURE_PICTURE_CHANGE_H

#include <windows.h>

#include "common/board_window_state.h"
#include "picture/picture_context.h"
#include "picture/shape_drawing.h"

// How a change joins the board's undo history.
enum class PictureStepKind {
    OwnStep,      // a step of its own: a shape, a clear, a paste, a drawing request
    StrokePiece,  // a piece of the free-hand stroke being drawn: the pieces make one step
};

// One change of `board`'s picture, for as long as it is in scope. Made, it
// keeps `region` (step_region.h) as the step; Dc() is then the picture,
// selected into a memory context compatible with `window`'s, to draw the
// change into, which must stay within the region. Everything is released
// when it goes.
class PictureChange {
public:
    PictureChange(const BoardWindowState& board, HWND window, const StepRegion& region, PictureStepKind kind);
    PictureChange(const PictureChange&) = delete;
    PictureChange& operator=(const PictureChange&) = delete;

    // Null when the board has no picture or no context could be made:
    // nothing is to be drawn then.
    HDC Dc() { return picture_.Dc(); }

private:
    PictureContext picture_;
};

// DrawShape as such a change, whose region is the shape's ShapeRegion.
void DrawShapeChange(const BoardWindowState& board, HWND window, DrawTool tool, const PictureSegment& points,
                     const ShapeAttributes& attributes, PictureStepKind kind);

#endif
