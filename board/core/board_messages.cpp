#include "board_messages.h"

int HandleDrawMessage(const PluginMessage*) { return 0; }
int HandleAttributeMessage(const PluginMessage*) { return 0; }
int HandleInviteBoard(const PluginMessage*) { return 0; }
int HandleBoardState(const PluginMessage*) { return 0; }
int HandleFlashBoard(const PluginMessage*) { return 0; }
int HandleAction(const PluginMessage*) { return 0; }
