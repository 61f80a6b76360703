// The open boards: one frame window per BoardKey.
#ifndef OBOARD_BOARD_REGISTRY_H
#define OBOARD_BOARD_REGISTRY_H

#include <windows.h>

#include <cstdint>

struct BoardKey {
    int32_t net;
    int32_t contact;
};

// Opens the board (net, contact), or brings an open one forward. 1 when a
// window for the key exists afterwards, 0 when creating it failed.
int OpenBoard(int32_t net, int32_t contact, const char* name);

// Closes every open board, smallest key first.
void CloseAllBoards();

// The frame window of an open board, or null.
HWND FindBoardWindow(int32_t net, int32_t contact);

#endif
