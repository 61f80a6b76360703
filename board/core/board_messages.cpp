#include "board_messages.h"

int HandleOpenBoard(const PluginMessage*) { return 0; }
