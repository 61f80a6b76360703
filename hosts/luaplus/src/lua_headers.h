// The Lua runtime's C headers for the binding's C++ files.
#ifndef LUAPLUS_LUA_HEADERS_H
#define LUAPLUS_LUA_HEADERS_H

extern "C" {
#include "lua.h"
#include "lauxlib.h"
#include "lualib.h"
}
#include "state_lock.h"

#endif
