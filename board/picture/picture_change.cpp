#include "picture/picture_change.h"

#include "picture/picture_history.h"

PictureChange::PictureChange(const BoardWindowState& board, HWND window, const StepRegion& region, PictureStepKind kind)
    : picture_(window, board.canvasBitmap)
{
    if (kind == PictureStepKind::StrokePiece)
        RecordStrokePiece(board, picture_, region);
    else
        RecordPictureStep(board, picture_, region);
}

void DrawShapeChange(const BoardWindowState& board, HWND window, DrawTool tool, const PictureSegment& points,
                     const ShapeAttributes& attributes, PictureStepKind kind)
{
    PictureChange change(board, window, ShapeRegion(tool, points, attributes), kind);
    DrawShape(change.Dc(), tool, points, attributes);
}
