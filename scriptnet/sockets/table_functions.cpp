// tClean and tGetCount: script functions over the whole table.
#include "../host/script_arguments.h"
#include "../host/script_functions.h"
#include "socket_table.h"

int tClean(LuaState*, LuaStackObject*)
{
    ReleaseAllSlots();
    return 0;
}

int tGetCount(LuaState* state, LuaStackObject*)
{
    return NumberResult(state, CountSlotsInUse());
}
