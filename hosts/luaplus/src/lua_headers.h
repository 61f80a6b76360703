// The Lua runtime's C headers for the binding's C++ files.
#ifndef LUAPLUS_LUA_HEADERS_H
#define LUAPLUS_LUA_HEADERS_H

extern "C" {
#include "lua.h"
#include "lauxlib.h"
#include "lualib.h"
}
#include "state_lock.h"

namespace LuaPlus {

// Holds a universe's lock for a scope. Script functions run without it, so
// even their plain reads of the stack take it: another OS thread in the same
// universe may run the collector, which can move this thread's stack.
class StateLockScope {
public:
    explicit StateLockScope(lua_State* L) : L_(L) { LuaPlusLockState(L_); }
    ~StateLockScope() { LuaPlusUnlockState(L_); }
    StateLockScope(const StateLockScope&) = delete;
    StateLockScope& operator=(const StateLockScope&) = delete;

private:
    lua_State* L_;
};

}  // namespace LuaPlus

#endif
