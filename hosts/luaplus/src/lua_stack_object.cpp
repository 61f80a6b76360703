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

double LuaStackObject::GetDouble() const
{
    if (!IsNumber())
        return 0.0;
    StateLockScope lock(state_->GetCState());
    return lua_tonumber(state_->GetCState(), index_);
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
    int type = GetType();
    if (type != TypeString && type != TypeNumber)
        return nullptr;
    StateLockScope lock(state_->GetCState());
    return lua_tostring(state_->GetCState(), index_);
}

size_t LuaStackObject::GetStringLength() const
{
    if (!IsString())
        return 0;
    StateLockScope lock(state_->GetCState());
    return lua_objlen(state_->GetCState(), index_);
}

bool LuaStackObject::GetBoolean() const
{
    if (GetType() == TypeNone)
        return false;
    StateLockScope lock(state_->GetCState());
    return lua_toboolean(state_->GetCState(), index_) != 0;
}

}  // namespace LuaPlus
