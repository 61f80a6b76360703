#include "host_interface.h"

HostCore* TheHostCore = nullptr;

int SendHostMessage(uint32_t id, int32_t p1, int32_t p2)
{
    if (!TheHostCore)
        return 0;
    PluginMessage message = {};
    message.size = sizeof message;
    message.id = id;
    message.p1 = p1;
    message.p2 = p2;
    return TheHostCore->HostMessage(&message);
}

static int32_t GetIntValue(int table, int row, int column)
{
    if (!TheHostCore)
        return 0;
    HostValue value = {};
    value.type = ValueInt;
    TheHostCore->GetValue(table, row, column, &value);
    return value.value;
}

int32_t GetConfigInt(int column)
{
    return GetIntValue(TableConfig, 0, column);
}

int32_t GetContactInt(int contact, int column)
{
    return GetIntValue(TableContacts, contact, column);
}

void SetConfigInt(int column, int32_t v)
{
    if (!TheHostCore)
        return;
    HostValue value = {};
    value.type = ValueInt;
    value.value = v;
    TheHostCore->SetValue(TableConfig, 0, column, &value);
}

char* GetContactString(int contact, int column)
{
    if (!TheHostCore)
        return nullptr;
    HostValue value = {};
    value.type = ValueString;
    value.value = 0;
    value.bufferSize = -1;
    TheHostCore->GetValue(TableContacts, contact, column, &value);
    return reinterpret_cast<char*>(static_cast<intptr_t>(value.value));
}

void HostFreeText(void* text)
{
    if (TheHostCore && text)
        TheHostCore->HostFree(text);
}
