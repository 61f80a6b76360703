// The open boards: one frame window per BoardKey.
#ifndef OBOARD_BOARD_REGISTRY_H
#define OBOARD_BOARD_REGISTRY_H

#include <windows.h>

#include <cstdint>

struct BoardKey {
    int32_t net;
    int32_t contact;
};

// Net first, then contact; both signed.
inline bool operator<(const BoardKey& a, const BoardKey& b)
{
    return a.net < b.net || (a.net == b.net && a.contact < b.contact);
}

// Opens the board (net, contact), or brings an open one forward. 1 when a
// window for the key exists afterwards, 0 when creating it failed. A null
// name counts as the empty name.
int OpenBoard(int32_t net, int32_t contact, const char* name);

// Closes every open board, smallest key first.
void CloseAllBoards();

// The frame window of an open board, or null.
HWND FindBoardWindow(int32_t net, int32_t contact);

// Removes the entry of `key` if it names `frame`. Frames call it when they
// close and again when they are destroyed, so that no entry outlives its
// window however the window goes.
void ForgetBoardWindow(const BoardKey& key, HWND frame);

#endif
