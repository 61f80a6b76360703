#include "board_toolbar.h"

#include <commctrl.h>

#include "../windows/board_window_state.h"
#include "../windows/module_instance.h"

// For now a bare rebar without a band; the toolbar comes with the controls.
HWND CreateBoardRebar(HWND frame)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_COOL_CLASSES | ICC_USEREX_CLASSES};
    InitCommonControlsEx(&controls);
    HWND rebar = CreateWindowExA(0, REBARCLASSNAMEA, nullptr, 0x56800448, 0, 0, 400, 50, frame,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdRebar)), BoardModuleInstance, nullptr);
    BoardWindowState* state = BoardStateOf(frame);
    if (state)
        state->rebarWindow = rebar;
    return rebar;
}

HWND CreateBoardToolbar(HWND)
{
    return nullptr;
}
