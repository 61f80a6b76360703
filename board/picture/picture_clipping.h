// Keeping coordinates that GDI cannot take away from it. Every GDI handles
// the 16-bit signed range of the oldest Windows; beyond it some fault or
// never return (an ellipse two thousand million pixels wide). A figure
// within that range is drawn as it is. One beyond it is replaced by a
// figure within the range that gives the picture the same pixels, or, where
// no such figure can be shown to exist, is not drawn:
//
// - A line keeps the part that can reach the picture widened by its pen
//   (and round caps), between two points of the same line with whole-pixel
//   coordinates: GDI's pixels of a line depend on the line and not on where
//   its ends lie beyond that margin, so the picture gets exactly what the
//   whole line gives. A line whose only whole-pixel points lie too far
//   apart for that (its direction needs more than ~30000 pixels for one
//   step) gets the whole-pixel points nearest to it on each side; it then
//   differs from the exact line by far less than a pixel, and its pixels
//   only where the exact line runs that close to the middle between two.
// - A rectangle has each edge that lies beyond the widened picture moved
//   to the margin: its outline there stays outside the picture and its
//   inside still covers it, so the pixels are exactly those of the whole
//   rectangle.
// - An ellipse that stays clear of the widened picture draws nothing, and
//   one that holds the widened picture wholly inside it fills the picture
//   with its brush (nothing when hollow): both are the whole ellipse's
//   pixels. One whose outline crosses the picture is refused: GDI's pixels
//   of so large an outline cannot be reproduced from a smaller one.
#ifndef OBOARD_PICTURE_PICTURE_CLIPPING_H
#define OBOARD_PICTURE_PICTURE_CLIPPING_H

#include <cstdint>

// True when GDI takes `value` as a coordinate everywhere.
bool IsGdiCoordinate(int64_t value);

struct PictureSegment {
    int32_t x1, y1, x2, y2;
};

// A line from (x1, y1) to (x2, y2) drawn with a pen `penWidth` wide, made
// fit for GDI. False when nothing of it can reach the picture. The ends keep
// their order; a line within range comes back unchanged.
bool FitLineToPicture(PictureSegment& line, int32_t penWidth);

// A rectangle with corners (x1, y1) and (x2, y2), made fit for GDI; a
// rectangle within range comes back unchanged.
void FitRectangleToPicture(PictureSegment& box, int32_t penWidth);

enum class EllipseFit {
    AsItIs,       // within range: draw it
    Nothing,      // no pixel of the picture is touched
    WholeInside,  // the picture lies inside: fill it, outline none of it
    Refused,      // its outline crosses the picture beyond GDI's range
};

EllipseFit FitEllipseToPicture(const PictureSegment& box, int32_t penWidth);

#endif
