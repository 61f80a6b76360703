#include "picture/picture_clipping.h"

#include "oboard/board_ui.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

const int32_t GdiLowest = -32768;
const int32_t GdiHighest = 32767;

// Beyond the picture by this much, nothing a pen `penWidth` wide draws (half
// its width, its round cap, a pixel of rounding) reaches the picture. The
// drawing code never asks for pens wider than 2048 pixels.
int64_t Margin(int32_t penWidth)
{
    const int64_t width = std::min<int64_t>(std::max<int32_t>(penWidth, 0), 4096);
    return width + 2;
}

// How far beyond the margin a replaced end of a line may lie: every point
// that far out still has coordinates within GDI's range.
int64_t ReachBeyond(int64_t margin)
{
    return 31000 - margin;
}

bool IsGdiSegment(const PictureSegment& s)
{
    return IsGdiCoordinate(s.x1) && IsGdiCoordinate(s.y1) && IsGdiCoordinate(s.x2) && IsGdiCoordinate(s.y2);
}

uint64_t GreatestCommonDivisor(uint64_t a, uint64_t b)
{
    while (b) {
        const uint64_t rest = a % b;
        a = b;
        b = rest;
    }
    return a;
}

struct Point64 {
    int64_t x, y;
};

bool IsGdiPoint(const Point64& p)
{
    return IsGdiCoordinate(p.x) && IsGdiCoordinate(p.y);
}

// A line with its major axis along x, running left to right: from (x, y),
// `dx` > 0 to the right and `dy` (|dy| <= dx) down.
struct FlatLine {
    int64_t x, y, dx, dy;
};

// The point of `line` with whole-pixel coordinates nearest to it among the
// columns from `first` to `last` (all right of the line's start), counted
// from the start. Exact: the line's height at column c is
// y + (c - x) * dy / dx, kept as a whole part and a remainder over dx.
Point64 NearestWholePoint(const FlatLine& line, int64_t first, int64_t last)
{
    const uint64_t dx = static_cast<uint64_t>(line.dx);
    const uint64_t rise = static_cast<uint64_t>(line.dy < 0 ? -line.dy : line.dy);
    const int64_t sign = line.dy < 0 ? -1 : 1;
    // (first - x) < 2^32 and rise < 2^32: the product fits 64 bits.
    const uint64_t product = static_cast<uint64_t>(first - line.x) * rise;
    uint64_t whole = product / dx;
    uint64_t remainder = product % dx;

    Point64 best = {first, line.y};
    uint64_t bestDistance = UINT64_MAX;
    for (int64_t column = first; column <= last; ++column) {
        const bool roundUp = 2 * remainder > dx;
        const uint64_t distance = roundUp ? dx - remainder : remainder;
        if (distance < bestDistance) {
            bestDistance = distance;
            best.x = column;
            best.y = line.y + sign * static_cast<int64_t>(whole + (roundUp ? 1 : 0));
            if (distance == 0)
                break;
        }
        remainder += rise;
        if (remainder >= dx) {
            remainder -= dx;
            ++whole;
        }
    }
    return best;
}

// `line` mirrored left to right: the same points, seen from its other end.
FlatLine Mirrored(const FlatLine& line)
{
    return FlatLine {-(line.x + line.dx), line.y + line.dy, line.dx, -line.dy};
}

// The end of `line` that replaces its start: a point of the line (or the
// whole-pixel point nearest to it) in a column left of `entry`, the first
// column where the line may touch the widened picture, and no further left
// than `reach` columns.
Point64 ReplacedStart(const FlatLine& line, int64_t entry, int64_t reach)
{
    const uint64_t rise = static_cast<uint64_t>(line.dy < 0 ? -line.dy : line.dy);
    const uint64_t steps = GreatestCommonDivisor(static_cast<uint64_t>(line.dx), rise);
    const int64_t stepX = static_cast<int64_t>(static_cast<uint64_t>(line.dx) / steps);
    const int64_t stepY = line.dy / static_cast<int64_t>(steps);
    if (stepX <= reach) {
        // The line's own whole-pixel points come every stepX columns.
        const int64_t k = (entry - 1 - line.x) / stepX;
        return Point64 {line.x + k * stepX, line.y + k * stepY};
    }
    return NearestWholePoint(line, entry - reach, entry - 1);
}

}  // namespace

bool IsGdiCoordinate(int64_t value)
{
    return value >= GdiLowest && value <= GdiHighest;
}

bool FitLineToPicture(PictureSegment& segment, int32_t penWidth)
{
    if (IsGdiSegment(segment))
        return true;
    const int64_t margin = Margin(penWidth);
    const int64_t reach = ReachBeyond(margin);

    // Along the major axis as x, left to right.
    Point64 a = {segment.x1, segment.y1};
    Point64 b = {segment.x2, segment.y2};
    int64_t width = PictureWidth, height = PictureHeight;
    const bool steep = std::llabs(b.y - a.y) > std::llabs(b.x - a.x);
    if (steep) {
        std::swap(a.x, a.y);
        std::swap(b.x, b.y);
        std::swap(width, height);
    }
    if (a.x == b.x)
        return false;  // a single point, out of range and so far from the picture
    const bool reversed = a.x > b.x;
    if (reversed)
        std::swap(a, b);
    const FlatLine line = {a.x, a.y, b.x - a.x, b.y - a.y};

    // The columns where the line can touch the picture widened by the
    // margin; estimated in floating point, then widened by two columns.
    const double left = static_cast<double>(-margin), right = static_cast<double>(width - 1 + margin);
    const double top = static_cast<double>(-margin), bottom = static_cast<double>(height - 1 + margin);
    double from = std::max(left, static_cast<double>(a.x));
    double to = std::min(right, static_cast<double>(b.x));
    if (line.dy != 0) {
        const double slope = static_cast<double>(line.dx) / static_cast<double>(line.dy);
        const double atTop = static_cast<double>(a.x) + (top - static_cast<double>(a.y)) * slope;
        const double atBottom = static_cast<double>(a.x) + (bottom - static_cast<double>(a.y)) * slope;
        from = std::max(from, std::min(atTop, atBottom));
        to = std::min(to, std::max(atTop, atBottom));
    } else if (a.y < -margin || a.y > height - 1 + margin) {
        return false;
    }
    if (from > to + 1)
        return false;
    const int64_t entry = static_cast<int64_t>(std::floor(from)) - 2;
    const int64_t exit = static_cast<int64_t>(std::ceil(to)) + 2;

    // An end within range stays; one beyond it lies further than `reach`
    // columns outside (its height could not be out of range otherwise), so
    // its replacement is still a point of the segment.
    if (!IsGdiPoint(a))
        a = ReplacedStart(line, entry, reach);
    if (!IsGdiPoint(b)) {
        const Point64 mirrored = ReplacedStart(Mirrored(line), -exit, reach);
        b = Point64 {-mirrored.x, mirrored.y};
    }
    if (!IsGdiPoint(a) || !IsGdiPoint(b))
        return false;  // cannot happen; never hand GDI what it cannot take

    if (reversed)
        std::swap(a, b);
    if (steep) {
        std::swap(a.x, a.y);
        std::swap(b.x, b.y);
    }
    segment = PictureSegment {static_cast<int32_t>(a.x), static_cast<int32_t>(a.y), static_cast<int32_t>(b.x),
                              static_cast<int32_t>(b.y)};
    return true;
}

void FitRectangleToPicture(PictureSegment& box, int32_t penWidth)
{
    if (IsGdiSegment(box))
        return;
    const int64_t margin = Margin(penWidth);
    auto clamp = [margin](int32_t value, int64_t extent) {
        return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(value, -margin), extent + margin));
    };
    box.x1 = clamp(box.x1, PictureWidth);
    box.x2 = clamp(box.x2, PictureWidth);
    box.y1 = clamp(box.y1, PictureHeight);
    box.y2 = clamp(box.y2, PictureHeight);
}

EllipseFit FitEllipseToPicture(const PictureSegment& box, int32_t penWidth)
{
    if (IsGdiSegment(box))
        return EllipseFit::AsItIs;
    // GDI's outline lies within a pixel of the ideal ellipse in the box,
    // plus half the pen's width on either side.
    const double slack = static_cast<double>(Margin(penWidth) + 1);
    const double left = std::min<double>(box.x1, box.x2), right = std::max<double>(box.x1, box.x2);
    const double top = std::min<double>(box.y1, box.y2), bottom = std::max<double>(box.y1, box.y2);
    const double pictureRight = PictureWidth, pictureBottom = PictureHeight;
    if (right + slack < 0 || left - slack > pictureRight || bottom + slack < 0 || top - slack > pictureBottom)
        return EllipseFit::Nothing;

    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    const double rx = (right - left) / 2, ry = (bottom - top) / 2;
    const double shortest = std::min(rx, ry);
    if (shortest <= slack)
        return EllipseFit::Refused;
    // Where (x, y) lies against the ellipse scaled by `scale` about its
    // centre: below 1 inside, above 1 outside. The ellipse scaled by
    // 1 + slack / shortest holds every point within `slack` of it; the one
    // scaled by 1 - slack / shortest keeps that far inside it.
    auto level = [&](double x, double y, double scale) {
        const double u = (x - cx) / (rx * scale), v = (y - cy) / (ry * scale);
        return u * u + v * v;
    };
    const double grown = 1 + slack / shortest, shrunk = 1 - slack / shortest;
    const double nearestX = std::min(std::max(cx, 0.0), pictureRight);
    const double nearestY = std::min(std::max(cy, 0.0), pictureBottom);
    if (level(nearestX, nearestY, grown) > 1)
        return EllipseFit::Nothing;
    // The picture and a pixel around it, all four corners inside: being
    // convex, the ellipse then holds all of it.
    const double corners[4][2] = {
        {-1, -1}, {pictureRight + 1, -1}, {-1, pictureBottom + 1}, {pictureRight + 1, pictureBottom + 1}};
    bool inside = shrunk > 0;
    for (const auto& corner : corners)
        inside = inside && level(corner[0], corner[1], shrunk) < 1;
    return inside ? EllipseFit::WholeInside : EllipseFit::Refused;
}
