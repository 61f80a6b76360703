// Messages through which other plugins open, draw on and query boards, and
// the invitation handshake between contacts.
#ifndef OBOARD_CORE_BOARD_MESSAGES_H
#define OBOARD_CORE_BOARD_MESSAGES_H

#include "oboard/plugin_messages.h"

// Each takes the whole record; `message->size` says how much of it exists.
int HandleDrawMessage(const PluginMessage* message);
int HandleAttributeMessage(const PluginMessage* message);
int HandleOpenBoard(const PluginMessage* message);
int HandleInviteBoard(const PluginMessage* message);
int HandleBoardState(const PluginMessage* message);
int HandleFlashBoard(const PluginMessage* message);
int HandleAction(const PluginMessage* message);

#endif
