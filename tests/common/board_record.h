// A board's record as the tests see it from outside: the frame window's
// user data, read with the layout the record keeps.
#ifndef TESTS_COMMON_BOARD_RECORD_H
#define TESTS_COMMON_BOARD_RECORD_H

#include <windows.h>

#include "common/board_window_state.h"

// The record in `frame`'s user data, or null (no frame, or no record).
inline BoardWindowState* FrameRecord(HWND frame)
{
    return frame ? reinterpret_cast<BoardWindowState*>(GetWindowLongPtrA(frame, GWLP_USERDATA)) : nullptr;
}

#endif
