// Opening and closing boards: the board registry's only writers apart from
// the frames, which take themselves out of it when they close.
#ifndef OBOARD_CORE_BOARD_OPENING_H
#define OBOARD_CORE_BOARD_OPENING_H

#include <cstdint>

// Opens the board (net, contact), or brings an open one forward. 1 when a
// window for the key exists afterwards, 0 when creating it failed or the
// user interface does not run (core/user_interface_session.h): MsgUiEnd
// ends it before it closes the open boards, so that nothing opened later,
// or by a host call made while they close, outlives it. A null name counts
// as the empty name.
//
// The host may call the plugin back from inside any call into it, and
// creating or showing a window reaches the host too (the frame stores its
// place and size), so the registry can change under every such call: no
// entry is held across one, a key being opened opens only once, and a
// window whose user interface ended while it was created is destroyed.
int OpenBoard(int32_t net, int32_t contact, const char* name);

// Closes every open board, smallest key first.
void CloseAllBoards();

#endif
