// LuaState: creation and closing of universes, the stack, calls, worker
// threads and the lock.
#include <LuaPlus/LuaPlus.h>

#include <new>

#include "lua_headers.h"

namespace LuaPlus {

// Frees the object of a collected thread; the object of a main thread is
// owned by whoever called Create.
void ReleaseStateObject(void* binding, int isMainThread)
{
    LuaState* state = static_cast<LuaState*>(binding);
    state->L_ = nullptr;
    if (!isMainThread)
        delete state;
}

}  // namespace LuaPlus

extern "C" void LuaPlusReleaseBinding(void* binding, int isMainThread)
{
    LuaPlus::ReleaseStateObject(binding, isMainThread);
}

namespace LuaPlus {

LuaState::LuaState(lua_State* L) : L_(L), threadReference_(LUA_NOREF)
{
    for (int i = 0; i < FixedArgumentCount; ++i)
        arguments_[i] = LuaStackObject(this, i);
}

LuaState::~LuaState() {}

LuaState* LuaState::Create(bool initStandardLibrary)
{
    lua_State* L = luaL_newstate();
    if (L == nullptr)
        return nullptr;
    LuaState* state = new (std::nothrow) LuaState(L);
    if (state == nullptr) {
        lua_close(L);
        return nullptr;
    }
    LuaPlusSetBinding(L, state);
    if (initStandardLibrary)
        luaL_openlibs(L);
    return state;
}

void LuaState::Destroy(LuaState* state)
{
    if (state == nullptr)
        return;
    lua_State* L = state->L_;
    if (L != nullptr) {
        LuaPlusSetBinding(L, nullptr);
        lua_close(L);
    }
    delete state;
}

LuaState* LuaState::CastState(lua_State* L)
{
    if (L == nullptr)
        return nullptr;
    LuaState* state = static_cast<LuaState*>(LuaPlusGetBinding(L));
    if (state == nullptr) {
        // Only the OS thread running this lua_State gets here (or the creator
        // of a thread, under the lock), so no one else binds it meanwhile.
        state = new (std::nothrow) LuaState(L);
        if (state != nullptr)
            LuaPlusSetBinding(L, state);
    }
    return state;
}

LuaState* LuaState::GetMainState() const
{
    return CastState(LuaPlusMainThread(L_));
}

LuaObject LuaState::GetGlobals()
{
    lua_pushvalue(L_, LUA_GLOBALSINDEX);
    LuaObject globals = LuaStackObject(this, -1);
    lua_pop(L_, 1);
    return globals;
}

LuaObject LuaState::GetGlobal(const char* name)
{
    lua_getfield(L_, LUA_GLOBALSINDEX, name);
    LuaObject value = LuaStackObject(this, -1);
    lua_pop(L_, 1);
    return value;
}

LuaObject LuaState::GetRegistry()
{
    lua_pushvalue(L_, LUA_REGISTRYINDEX);
    LuaObject registry = LuaStackObject(this, -1);
    lua_pop(L_, 1);
    return registry;
}

LuaObject LuaState::CreateTable()
{
    lua_newtable(L_);
    LuaObject table = LuaStackObject(this, -1);
    lua_pop(L_, 1);
    return table;
}

int LuaState::GetTop()
{
    StateLockScope lock(L_);
    return lua_gettop(L_);
}
void LuaState::SetTop(int index)
{
    lua_settop(L_, index);
}
void LuaState::Pop(int count)
{
    lua_pop(L_, count);
}
void LuaState::RemoveStack(int index)
{
    lua_remove(L_, index);
}
LuaStackObject LuaState::Stack(int index)
{
    return LuaStackObject(this, index);
}
void LuaState::PushNil()
{
    lua_pushnil(L_);
}
void LuaState::PushNumber(double value)
{
    lua_pushnumber(L_, value);
}
void LuaState::PushInteger(int value)
{
    lua_pushinteger(L_, value);
}
void LuaState::PushBoolean(bool value)
{
    lua_pushboolean(L_, value ? 1 : 0);
}
void LuaState::PushString(const char* text)
{
    lua_pushstring(L_, text);
}
void LuaState::PushLString(const char* data, size_t length)
{
    lua_pushlstring(L_, data, length);
}

int LuaState::PCall(int argumentCount, int resultCount, int errorFunction)
{
    return lua_pcall(L_, argumentCount, resultCount, errorFunction);
}

int LuaState::LoadFile(const char* path)
{
    return luaL_loadfile(L_, path);
}
int LuaState::LoadText(const char* text)
{
    return luaL_loadstring(L_, text);
}

LuaState* LuaState::NewThread()
{
    LuaAutoLock lock(this);
    // From now on another OS thread may call in: the binding's reads lock.
    LuaPlusShareState(L_);
    if (!lua_checkstack(L_, 2))
        return nullptr;
    lua_State* L1 = lua_newthread(L_);
    LuaState* thread = CastState(L1);
    if (thread == nullptr) {
        lua_pop(L_, 1);
        return nullptr;
    }
    thread->threadReference_ = luaL_ref(L_, LUA_REGISTRYINDEX);  // pops the thread
    return thread;
}

void LuaState::DestroyThread(LuaState* thread)
{
    if (thread == nullptr || thread->L_ == nullptr)
        return;
    lua_State* L = thread->L_;
    // Locked through the main thread, which outlives this one: once the
    // reference is gone the collector may free the thread and its object.
    lua_State* mainThread = LuaPlusMainThread(L);
    LuaPlusLockState(mainThread);
    lua_settop(L, 0);
    int reference = thread->threadReference_;
    thread->threadReference_ = LUA_NOREF;
    luaL_unref(L, LUA_REGISTRYINDEX, reference);
    LuaPlusUnlockState(mainThread);
}

void LuaState::Interrupt()
{
    LuaPlusInterruptLuaThread(L_);
}

bool LuaState::InterruptOsThread(unsigned long osThreadId)
{
    return LuaPlusMarkOsThread(L_, osThreadId) != 0;
}

void LuaState::EndOsThreadInterrupt(unsigned long osThreadId)
{
    LuaPlusUnmarkOsThread(L_, osThreadId);
}

void LuaState::Lock()
{
    LuaPlusLockState(L_);
}
void LuaState::Unlock()
{
    LuaPlusUnlockState(L_);
}

}  // namespace LuaPlus
