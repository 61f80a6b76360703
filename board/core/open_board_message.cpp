// MsgOpenBoard: another plugin asks for board (boardNet, p1) named by the
// text p2.
#include "core/board_messages.h"
#include "core/board_opening.h"

int HandleOpenBoard(const PluginMessage* message)
{
    // A null name is taken as the empty one; the result is not passed on.
    const char* name = WordAddress<const char>(message->p2);
    OpenBoard(message->boardNet, message->p1, name);
    return 0;
}
