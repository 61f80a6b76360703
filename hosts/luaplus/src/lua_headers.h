// The Lua runtime's C headers for the binding's C++ files.
#ifndef LUAPLUS_LUA_HEADERS_H
#define LUAPLUS_LUA_HEADERS_H

extern "C" {
#include "lua.h"
#include "lauxlib.h"
#include "lualib.h"
}
#include "state_lock.h"
#include "thread_interrupt.h"

namespace LuaPlus {

// Holds a universe's lock for a scope, once another OS thread may be in the
// universe. Script functions run without the lock, so even their plain reads
// of the stack take it then: another OS thread's collector can move this
// thread's stack. Before that, the one OS thread running the universe is
// alone in it and nothing moves under it.
class StateLockScope {
public:
    explicit StateLockScope(lua_State* L) : L_(LuaPlusStateIsShared(L) ? L : nullptr)
    {
        if (L_ != nullptr)
            LuaPlusLockState(L_);
    }
    ~StateLockScope()
    {
        if (L_ != nullptr)
            LuaPlusUnlockState(L_);
    }
    StateLockScope(const StateLockScope&) = delete;
    StateLockScope& operator=(const StateLockScope&) = delete;

private:
    lua_State* L_;  // null when not locked
};

}  // namespace LuaPlus

#endif
