// The open boards: one frame window per BoardKey. Only the entries live
// here; opening and closing boards is the core's (core/board_opening.h).
#ifndef OBOARD_COMMON_BOARD_REGISTRY_H
#define OBOARD_COMMON_BOARD_REGISTRY_H

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

// The frame window of an open board, or null. An entry whose window has
// gone is dropped on the way, so that a stale handle never reaches a caller.
HWND FindBoardWindow(int32_t net, int32_t contact);

// Enters `frame` as the window of `key`; false when there was no memory
// for the entry.
bool RememberBoardWindow(const BoardKey& key, HWND frame);

// Removes the entry of `key` if it names `frame`; true when it did. Frames
// call it when they close and again when they are destroyed, so that no
// entry outlives its window however the window goes.
bool ForgetBoardWindow(const BoardKey& key, HWND frame);

// The entry with the smallest key; false when no board is open.
bool FirstBoardWindow(BoardKey* key, HWND* frame);

#endif
