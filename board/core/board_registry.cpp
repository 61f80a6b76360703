#include "board_registry.h"

int OpenBoard(int32_t, int32_t, const char*)
{
    return 0;
}

void CloseAllBoards()
{
}

HWND FindBoardWindow(int32_t, int32_t)
{
    return nullptr;
}
