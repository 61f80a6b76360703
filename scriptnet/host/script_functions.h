// The 19 script functions of the module, in the order they are registered,
// all of the LuaPlus script-function shape: socket_functions.cpp holds the
// socket functions, desktop_functions.cpp the others.
#ifndef SCRIPTNET_HOST_SCRIPT_FUNCTIONS_H
#define SCRIPTNET_HOST_SCRIPT_FUNCTIONS_H

#include <LuaPlus/LuaPlus.h>

using LuaPlus::LuaStackObject;
using LuaPlus::LuaState;

int tCreate(LuaState* state, LuaStackObject* args);
int tClose(LuaState* state, LuaStackObject* args);
int tConnect(LuaState* state, LuaStackObject* args);
int tListen(LuaState* state, LuaStackObject* args);
int tAccept(LuaState* state, LuaStackObject* args);
int tWait(LuaState* state, LuaStackObject* args);
int tRecv(LuaState* state, LuaStackObject* args);
int tSend(LuaState* state, LuaStackObject* args);
int tSendTo(LuaState* state, LuaStackObject* args);
int tSetCallback(LuaState* state, LuaStackObject* args);
int tGetError(LuaState* state, LuaStackObject* args);
int tMsg(LuaState* state, LuaStackObject* args);
int tClean(LuaState* state, LuaStackObject* args);
int tGetCount(LuaState* state, LuaStackObject* args);
int tStartDebug(LuaState* state, LuaStackObject* args);
int tStopDebug(LuaState* state, LuaStackObject* args);
int tFlash(LuaState* state, LuaStackObject* args);
int tFlashAsync(LuaState* state, LuaStackObject* args);
int tSetFlashTime(LuaState* state, LuaStackObject* args);

#endif
