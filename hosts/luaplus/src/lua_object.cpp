// LuaObject: a registry reference to a value, with table access and
// registration of script functions.
#include <LuaPlus/LuaPlus.h>

#include <cstring>
#include <memory>
#include <new>

#include "lua_headers.h"

namespace LuaPlus {

namespace {

// The reference holds a value of a lua_State's universe. Taking and
// dropping references edits the registry's free list in several steps, so
// they run under the universe's lock.
int Reference(lua_State* L, int stackIndex)
{
    LuaPlusLockState(L);
    lua_pushvalue(L, stackIndex);
    int reference = luaL_ref(L, LUA_REGISTRYINDEX);
    LuaPlusUnlockState(L);
    return reference;
}

void Unreference(lua_State* L, int reference)
{
    if (reference == LUA_NOREF || reference == LUA_REFNIL)
        return;
    LuaPlusLockState(L);
    luaL_unref(L, LUA_REGISTRYINDEX, reference);
    LuaPlusUnlockState(L);
}

}  // namespace

// The Lua side of every registered script function: a C closure whose
// upvalue 1 holds the C++ function.
class ScriptFunctionDispatch {
public:
    static int Call(lua_State* L)
    {
        LuaState* state = LuaState::CastState(L);
        if (state == nullptr)
            return 0;
        LuaStateCFunction function = nullptr;
        int top;
        {
            // The runtime runs C functions without the lock, and another
            // OS thread's collector may move this thread's stack, through
            // which both the upvalue (of the called closure) and the height
            // are read: one lock take for both, if any.
            StateLockScope lock(L);
            std::memcpy(&function, lua_touserdata(L, lua_upvalueindex(1)), sizeof function);
            top = lua_gettop(L);
        }
        if (function == nullptr)
            return 0;
        if (top < LuaState::FixedArgumentCount)
            return Invoke(function, state, state->arguments_);
        // Longer argument lists get a heap block (not a userdata: the
        // function must see the stack exactly as the script left it).
        std::unique_ptr<LuaStackObject[]> arguments(new (std::nothrow) LuaStackObject[top + 1]);
        if (arguments == nullptr)
            return 0;
        for (int i = 0; i <= top; ++i)
            arguments[i] = LuaStackObject(state, i);
        return Invoke(function, state, arguments.get());
    }

private:
    static int Invoke(LuaStateCFunction function, LuaState* state, LuaStackObject* arguments)
    {
        try {
            return function(state, arguments);
        } catch (...) {
            // No C++ exception may unwind through the runtime's C frames.
            return 0;
        }
    }
};

LuaObject::LuaObject() : state_(nullptr), reference_(LUA_NOREF) {}

LuaObject::LuaObject(LuaState* state) : state_(state), reference_(LUA_REFNIL) {}

LuaObject::LuaObject(const LuaStackObject& stackObject) : state_(nullptr), reference_(LUA_NOREF)
{
    Assign(stackObject.GetState(), stackObject.GetIndex());
}

LuaObject::LuaObject(const LuaObject& other) : state_(nullptr), reference_(LUA_NOREF)
{
    *this = other;
}

LuaObject::~LuaObject()
{
    Reset();
}

LuaObject& LuaObject::operator=(const LuaObject& other)
{
    if (this == &other)
        return *this;
    if (other.state_ == nullptr) {
        Reset();
        return *this;
    }
    lua_State* L = other.state_->GetCState();
    other.Push();
    Assign(other.state_, -1);
    lua_pop(L, 1);
    return *this;
}

LuaObject& LuaObject::operator=(const LuaStackObject& stackObject)
{
    Assign(stackObject.GetState(), stackObject.GetIndex());
    return *this;
}

void LuaObject::Assign(LuaState* state, int stackIndex)
{
    int reference = LUA_NOREF;
    if (state != nullptr)
        reference = Reference(state->GetCState(), stackIndex);
    Reset();
    state_ = state;
    reference_ = reference;
}

void LuaObject::Reset()
{
    if (state_ != nullptr)
        Unreference(state_->GetCState(), reference_);
    state_ = nullptr;
    reference_ = LUA_NOREF;
}

void LuaObject::Push() const
{
    Push(state_);
}

void LuaObject::Push(LuaState* onto) const
{
    if (onto == nullptr)
        return;
    lua_State* L = onto->GetCState();
    if (reference_ == LUA_NOREF || reference_ == LUA_REFNIL) {
        lua_pushnil(L);
    } else {
        lua_rawgeti(L, LUA_REGISTRYINDEX, reference_);
    }
}

int LuaObject::GetType() const
{
    if (state_ == nullptr)
        return TypeNil;
    StateLockScope lock(state_->GetCState());
    Push();
    int type = lua_type(state_->GetCState(), -1);
    lua_pop(state_->GetCState(), 1);
    return type;
}

bool LuaObject::IsNil() const
{
    return GetType() == TypeNil;
}
bool LuaObject::IsNumber() const
{
    return GetType() == TypeNumber;
}
bool LuaObject::IsString() const
{
    return GetType() == TypeString;
}
bool LuaObject::IsBoolean() const
{
    return GetType() == TypeBoolean;
}
bool LuaObject::IsFunction() const
{
    return GetType() == TypeFunction;
}
bool LuaObject::IsTable() const
{
    return GetType() == TypeTable;
}

bool LuaObject::GetBoolean() const
{
    if (state_ == nullptr)
        return false;
    StateLockScope lock(state_->GetCState());
    Push();
    bool value = lua_toboolean(state_->GetCState(), -1) != 0;
    lua_pop(state_->GetCState(), 1);
    return value;
}

double LuaObject::GetNumber() const
{
    if (!IsNumber())
        return 0.0;
    StateLockScope lock(state_->GetCState());
    Push();
    double value = lua_tonumber(state_->GetCState(), -1);
    lua_pop(state_->GetCState(), 1);
    return value;
}

int LuaObject::GetInteger() const
{
    if (!IsNumber())
        return 0;
    StateLockScope lock(state_->GetCState());
    Push();
    LuaStackObject top(state_, lua_gettop(state_->GetCState()));
    int value = top.GetInteger();
    lua_pop(state_->GetCState(), 1);
    return value;
}

const char* LuaObject::GetString() const
{
    if (!IsString())
        return nullptr;
    StateLockScope lock(state_->GetCState());
    Push();
    // The registry keeps the string, and Lua strings do not move.
    const char* text = lua_tostring(state_->GetCState(), -1);
    lua_pop(state_->GetCState(), 1);
    return text;
}

LuaObject LuaObject::GetByName(const char* key) const
{
    LuaObject value;
    if (state_ == nullptr || !IsTable())
        return value;
    lua_State* L = state_->GetCState();
    Push();
    lua_getfield(L, -1, key);
    value.Assign(state_, -1);
    lua_pop(L, 2);
    return value;
}

LuaObject LuaObject::GetByIndex(int key) const
{
    LuaObject value;
    if (state_ == nullptr || !IsTable())
        return value;
    lua_State* L = state_->GetCState();
    Push();
    lua_rawgeti(L, -1, key);
    value.Assign(state_, -1);
    lua_pop(L, 2);
    return value;
}

void LuaObject::SetNumber(const char* key, double value)
{
    if (state_ == nullptr || !IsTable())
        return;
    lua_State* L = state_->GetCState();
    Push();
    lua_pushnumber(L, value);
    lua_setfield(L, -2, key);
    lua_pop(L, 1);
}

void LuaObject::SetString(const char* key, const char* value)
{
    if (state_ == nullptr || !IsTable())
        return;
    lua_State* L = state_->GetCState();
    Push();
    lua_pushstring(L, value);
    lua_setfield(L, -2, key);
    lua_pop(L, 1);
}

void LuaObject::SetString(int key, const char* value)
{
    if (state_ == nullptr || !IsTable())
        return;
    lua_State* L = state_->GetCState();
    Push();
    lua_pushstring(L, value);
    lua_rawseti(L, -2, key);
    lua_pop(L, 1);
}

void LuaObject::SetBoolean(const char* key, bool value)
{
    if (state_ == nullptr || !IsTable())
        return;
    lua_State* L = state_->GetCState();
    Push();
    lua_pushboolean(L, value ? 1 : 0);
    lua_setfield(L, -2, key);
    lua_pop(L, 1);
}

void LuaObject::SetObject(const char* key, const LuaObject& value)
{
    if (state_ == nullptr || !IsTable())
        return;
    lua_State* L = state_->GetCState();
    Push();
    value.Push(state_);
    lua_setfield(L, -2, key);
    lua_pop(L, 1);
}

void LuaObject::Register(const char* name, LuaStateCFunction function)
{
    if (state_ == nullptr || !IsTable())
        return;
    lua_State* L = state_->GetCState();
    Push();
    void* block = lua_newuserdata(L, sizeof function);
    std::memcpy(block, &function, sizeof function);
    lua_pushcclosure(L, ScriptFunctionDispatch::Call, 1);
    lua_setfield(L, -2, name);
    lua_pop(L, 1);
}

void LuaObject::RegisterCFunction(const char* name, LuaCFunction function)
{
    if (state_ == nullptr || function == nullptr || !IsTable())
        return;
    lua_State* L = state_->GetCState();
    Push();
    lua_pushcfunction(L, function);
    lua_setfield(L, -2, name);
    lua_pop(L, 1);
}

LuaCall LuaObject::operator()() const
{
    return LuaCall(*this);
}

}  // namespace LuaPlus
