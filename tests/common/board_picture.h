// A board's picture as the tests see it: the 640x480 bitmap read back with
// GetDIBits, top-down, 0xRRGGBB per pixel.
#ifndef TESTS_COMMON_BOARD_PICTURE_H
#define TESTS_COMMON_BOARD_PICTURE_H

#include <windows.h>

#include <cstdint>
#include <vector>

#include "board_record.h"
#include "oboard/board_ui.h"

class BoardPicture {
public:
    // Not Valid() when `bitmap` is null or could not be read.
    explicit BoardPicture(HBITMAP bitmap);
    bool Valid() const { return valid_; }
    uint32_t At(int x, int y) const { return pixels_[y * PictureWidth + x]; }
    bool IsWhite(int x, int y) const { return At(x, y) == 0xFFFFFF; }
    // Pixels that are not white, and pixels of exactly `rgb`, within
    // [x1, x2) x [y1, y2).
    int CountNotWhite(int x1 = 0, int y1 = 0, int x2 = PictureWidth, int y2 = PictureHeight) const;
    int Count(uint32_t rgb, int x1 = 0, int y1 = 0, int x2 = PictureWidth, int y2 = PictureHeight) const;
    // Pixels that differ from those of `other`.
    int CountDifferent(const BoardPicture& other) const;

private:
    std::vector<uint32_t> pixels_;
    bool valid_ = false;
};

// The picture of the board whose frame is `frame` (not Valid() without one).
inline BoardPicture FramePicture(HWND frame)
{
    const BoardWindowState* state = FrameRecord(frame);
    return BoardPicture(state ? state->canvasBitmap : nullptr);
}

// 0xRRGGBB of a COLORREF, as pictures hold it.
inline uint32_t Rgb(COLORREF colour)
{
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

#endif
