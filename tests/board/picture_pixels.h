// Reading a board's picture back, pixel by pixel.
#ifndef TESTS_BOARD_PICTURE_PIXELS_H
#define TESTS_BOARD_PICTURE_PIXELS_H

#include <windows.h>

#include <cstdint>
#include <vector>

// The 640x480 picture as COLORREF values (0x00BBGGRR), row by row.
class Picture {
public:
    explicit Picture(HBITMAP bitmap);
    COLORREF At(int x, int y) const { return pixels_[static_cast<size_t>(y) * 640 + x]; }
    // How many pixels of the rectangle [left, right) x [top, bottom) have the colour.
    int Count(COLORREF colour, int left = 0, int top = 0, int right = 640, int bottom = 480) const;
    bool AllWhite() const { return Count(RGB(255, 255, 255)) == 640 * 480; }
    bool Valid() const { return valid_; }

private:
    std::vector<COLORREF> pixels_;
    bool valid_ = false;
};

#endif
