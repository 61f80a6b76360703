// tSetCallback: serving a slot by a worker thread is not available yet; the
// function answers that it set nothing.
#include "../host/script_arguments.h"
#include "../host/script_functions.h"

int tSetCallback(LuaState* state, LuaStackObject*) { return NumberResult(state, 0); }
