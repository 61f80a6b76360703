// LuaStackObject: typed reads of one stack slot.
#include <LuaPlus/LuaPlus.h>

#include <climits>

#include "lua_headers.h"

namespace LuaPlus {

namespace {

// Drops the fraction; values outside the int range (and NaN) must not reach
// a plain cast, whose result would be undefined.
int TruncateToInt(double value)
{
    if (value != value)
        return 0;
    if (value >= 2147483647.0)
        return INT_MAX;
    if (value <= -2147483648.0)
        return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

LuaStackObject::LuaStackObject() : state_(nullptr), index_(0) {}

LuaStackObject::LuaStackObject(LuaState* state, int index) : state_(state), index_(index) {}

int LuaStackObject::GetType() const
{
    if (state_ == nullptr || index_ == 0)
        return TypeNone;
    StateLockScope lock(state_->GetCState());
    return lua_type(state_->GetCState(), index_);
}

bool LuaStackObject::IsNone() const
{
    return GetType() == TypeNone;
}
bool LuaStackObject::IsNil() const
{
    return GetType() == TypeNil;
}
bool LuaStackObject::IsNumber() const
{
    return GetType() == TypeNumber;
}
bool LuaStackObject::IsString() const
{
    return GetType() == TypeString;
}
bool LuaStackObject::IsBoolean() const
{
    return GetType() == TypeBoolean;
}
bool LuaStackObject::IsFunction() const
{
    return GetType() == TypeFunction;
}
bool LuaStackObject::IsTable() const
{
    return GetType() == TypeTable;
}

// Each read below takes the lock once, for the type test and the value
// together.

double LuaStackObject::GetDouble() const
{
    if (state_ == nullptr || index_ == 0)
        return 0.0;
    lua_State* L = state_->GetCState();
    StateLockScope lock(L);
    return lua_type(L, index_) == LUA_TNUMBER ? lua_tonumber(L, index_) : 0.0;
}

int LuaStackObject::GetInteger() const
{
    return TruncateToInt(GetDouble());
}

float LuaStackObject::GetNumber() const
{
    return static_cast<float>(GetDouble());
}

const char* LuaStackObject::GetString() const
{
    if (state_ == nullptr || index_ == 0)
        return nullptr;
    lua_State* L = state_->GetCState();
    StateLockScope lock(L);
    const int type = lua_type(L, index_);
    if (type != LUA_TSTRING && type != LUA_TNUMBER)
        return nullptr;
    return lua_tostring(L, index_);
}

size_t LuaStackObject::GetStringLength() const
{
    if (state_ == nullptr || index_ == 0)
        return 0;
    lua_State* L = state_->GetCState();
    StateLockScope lock(L);
    return lua_type(L, index_) == LUA_TSTRING ? lua_objlen(L, index_) : 0;
}

bool LuaStackObject::GetBoolean() const
{
    if (state_ == nullptr || index_ == 0)
        return false;
    lua_State* L = state_->GetCState();
    StateLockScope lock(L);
    return lua_toboolean(L, index_) != 0;
}

}  // namespace LuaPlus
