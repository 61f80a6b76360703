// The 19 script functions of the module, in the order they are registered,
// all of the LuaPlus script-function shape.
#ifndef SCRIPTNET_HOST_SCRIPT_FUNCTIONS_H
#define SCRIPTNET_HOST_SCRIPT_FUNCTIONS_H

#include <LuaPlus/LuaPlus.h>

using LuaPlus::LuaStackObject;
using LuaPlus::LuaState;

// sockets/socket_lifetime.cpp
int tCreate(LuaState* state, LuaStackObject* args);
int tClose(LuaState* state, LuaStackObject* args);
// sockets/socket_connections.cpp
int tConnect(LuaState* state, LuaStackObject* args);
int tListen(LuaState* state, LuaStackObject* args);
int tAccept(LuaState* state, LuaStackObject* args);
// sockets/socket_transfer.cpp
int tWait(LuaState* state, LuaStackObject* args);
int tRecv(LuaState* state, LuaStackObject* args);
int tSend(LuaState* state, LuaStackObject* args);
int tSendTo(LuaState* state, LuaStackObject* args);
// sockets/socket_callback.cpp
int tSetCallback(LuaState* state, LuaStackObject* args);
// sockets/socket_lifetime.cpp
int tGetError(LuaState* state, LuaStackObject* args);
// desktop/message_box.cpp
int tMsg(LuaState* state, LuaStackObject* args);
// sockets/table_functions.cpp
int tClean(LuaState* state, LuaStackObject* args);
int tGetCount(LuaState* state, LuaStackObject* args);
// desktop/debug_log.cpp
int tStartDebug(LuaState* state, LuaStackObject* args);
int tStopDebug(LuaState* state, LuaStackObject* args);
// desktop/scroll_lock_flash.cpp
int tFlash(LuaState* state, LuaStackObject* args);
int tFlashAsync(LuaState* state, LuaStackObject* args);
int tSetFlashTime(LuaState* state, LuaStackObject* args);

#endif
