#include "script_arguments.h"

int TruncateNumber(float value)
{
    if (value != value)
        return 0;
    if (value >= 2147483647.0f)
        return 2147483647;
    if (value <= -2147483648.0f)
        return -2147483647 - 1;
    return static_cast<int>(value);
}

unsigned short PortArgument(const LuaPlus::LuaStackObject& argument)
{
    unsigned int port = static_cast<unsigned int>(TruncateNumber(argument.GetNumber()));
    return static_cast<unsigned short>(port & 0xFFFFu);
}

const char* TextArgument(const LuaPlus::LuaStackObject& argument)
{
    if (!argument.IsString())
        return nullptr;
    return argument.GetString();
}

int NumberResult(LuaPlus::LuaState* state, double value)
{
    state->PushNumber(value);
    return 1;
}

int TextResult(LuaPlus::LuaState* state, const char* text)
{
    state->PushString(text);
    return 1;
}
