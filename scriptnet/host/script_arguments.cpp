#include "host/script_arguments.h"

#include <cstring>

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

int HandleArgument(const LuaPlus::LuaStackObject& argument)
{
    return argument.IsNumber() ? argument.GetInteger() : 0;
}

bool IntegerArgument(const LuaPlus::LuaStackObject& argument, int* value)
{
    if (!argument.IsNumber())
        return false;
    *value = argument.GetInteger();
    return true;
}

const char* TextArgument(const LuaPlus::LuaStackObject& argument)
{
    if (!argument.IsString())
        return nullptr;
    return argument.GetString();
}

const char* TextArgument(const LuaPlus::LuaStackObject& argument, int* length)
{
    const char* text = TextArgument(argument);
    if (text != nullptr)
        *length = static_cast<int>(std::strlen(text));
    return text;
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
