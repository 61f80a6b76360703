// LuaCall: pushing a function and its arguments, then a protected call.
#include <LuaPlus/LuaPlus.h>

#include "lua_headers.h"

namespace LuaPlus {

LuaCall::LuaCall(const LuaObject& function) : state_(function.GetState()), argumentCount_(0)
{
    function.Push();
}

LuaCall& LuaCall::operator<<(double value)
{
    if (state_ != nullptr) {
        state_->PushNumber(value);
        ++argumentCount_;
    }
    return *this;
}

LuaCall& LuaCall::operator<<(int value)
{
    return *this << static_cast<double>(value);
}

LuaCall& LuaCall::operator<<(bool value)
{
    if (state_ != nullptr) {
        state_->PushBoolean(value);
        ++argumentCount_;
    }
    return *this;
}

LuaCall& LuaCall::operator<<(const char* text)
{
    if (state_ != nullptr) {
        state_->PushString(text);
        ++argumentCount_;
    }
    return *this;
}

LuaCall& LuaCall::operator<<(const LuaObject& value)
{
    if (state_ != nullptr) {
        if (value.GetState() != nullptr) {
            value.Push(state_);
        } else {
            state_->PushNil();
        }
        ++argumentCount_;
    }
    return *this;
}

int LuaCall::PCall(int resultCount)
{
    if (state_ == nullptr)
        return LUA_ERRRUN;
    return state_->PCall(argumentCount_, resultCount);
}

}  // namespace LuaPlus
