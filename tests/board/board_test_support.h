// Helpers for tests that open boards and draw on them through real window
// messages: finding a board's windows and moving the real cursor; the
// picture is read back with BoardPicture (board_picture.h).
#ifndef TESTS_BOARD_BOARD_TEST_SUPPORT_H
#define TESTS_BOARD_BOARD_TEST_SUPPORT_H

#include "plugin_fixture.h"

#include "board_picture.h"
#include "board_record.h"

#include <vector>

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
