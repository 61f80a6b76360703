// Helpers for tests that open boards and draw on them through real window
// messages: finding a board's windows, moving the real cursor, and reading
// the picture back from the board's bitmap.
#ifndef TESTS_BOARD_BOARD_TEST_SUPPORT_H
#define TESTS_BOARD_BOARD_TEST_SUPPORT_H

#include "plugin_fixture.h"

#include "board_record.h"

#include <cstdint>
#include <vector>

// A 640x480 picture read with GetDIBits, top-down, 0x00RRGGBB per pixel.
class Picture {
public:
    explicit Picture(HBITMAP bitmap);
    bool Valid() const { return valid_; }
    uint32_t At(int x, int y) const { return pixels_[y * PictureWidth + x]; }
    bool IsWhite(int x, int y) const { return (At(x, y) & 0xFFFFFF) == 0xFFFFFF; }
    // Pixels that are not white, within [x1, x2) x [y1, y2).
    int CountNotWhite(int x1 = 0, int y1 = 0, int x2 = PictureWidth, int y2 = PictureHeight) const;
    // Pixels of exactly `rgb` (0xRRGGBB) within the whole picture.
    int Count(uint32_t rgb) const;
    // Pixels that differ from those of `other`.
    int CountDifferent(const Picture& other) const;

private:
    std::vector<uint32_t> pixels_;
    bool valid_ = false;
};

class BoardTest : public PluginTest {
protected:
    void SetUp() override;

    // MsgOpenBoard through the plugin's entry point; the frame of the key
    // afterwards, or null.
    HWND Open(int32_t net, int32_t contact, const char* name = "Ala");
    // The frame of the key among this thread's board windows, or null.
    HWND FrameOf(int32_t net, int32_t contact);

    static BoardWindowState* State(HWND frame) { return FrameRecord(frame); }
    static HWND CanvasOf(HWND frame) { return State(frame)->canvasWindow; }

    // Puts the real cursor on client point (x, y) of `window`.
    static void PointAt(HWND window, int x, int y);
    // A stroke through real mouse messages: press at the first point, move
    // the cursor through the others with the button down, release at the last.
    static void Stroke(HWND canvas, const std::vector<POINT>& points);
    static void Press(HWND canvas, int x, int y);
    static void MoveTo(HWND canvas, int x, int y);
    static void Release(HWND canvas, int x, int y);
};

#endif
