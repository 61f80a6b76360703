#include "common/board_window_state.h"

#include <cstring>

#include "oboard/board_ui.h"

namespace {

bool IsBoardFrame(HWND window)
{
    // One character more than the name: a longer class name cannot match.
    char name[sizeof BoardFrameClassName + 1] = {};
    return GetClassNameA(window, name, sizeof name) && !std::strcmp(name, BoardFrameClassName);
}

}  // namespace

BoardWindowState* BoardStateOf(HWND window)
{
    HWND frame = window;
    while (frame && (GetWindowLongPtrA(frame, GWL_STYLE) & WS_CHILD))
        frame = GetParent(frame);
    if (!frame || !IsBoardFrame(frame))
        return nullptr;
    return reinterpret_cast<BoardWindowState*>(GetWindowLongPtrA(frame, GWLP_USERDATA));
}
