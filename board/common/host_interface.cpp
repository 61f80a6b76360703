#include "common/host_interface.h"

HostCore* gHostCore = nullptr;

namespace {

// Set while a handler runs; a pinned null host stays null.
HostCore* gPinnedCore = nullptr;
bool gPinned = false;

}  // namespace

PinnedHost::PinnedHost() : previous_(gPinnedCore), previousSet_(gPinned)
{
    gPinnedCore = gHostCore;
    gPinned = true;
}

PinnedHost::~PinnedHost()
{
    gPinnedCore = previous_;
    gPinned = previousSet_;
}

HostCore* ActiveHost()
{
    return gPinned ? gPinnedCore : gHostCore;
}

int SendHostMessage(uint32_t id, int32_t p1, int32_t p2)
{
    HostCore* host = ActiveHost();
    if (!host)
        return 0;
    PluginMessage message = MakePluginMessage(id, p1, p2);
    return host->HostMessage(&message);
}

namespace {

int32_t GetIntValue(int table, int row, int column)
{
    HostCore* host = ActiveHost();
    if (!host)
        return 0;
    HostValue value = {};
    value.type = ValueInt;
    host->GetValue(table, row, column, &value);
    return value.value;
}

}  // namespace

HINSTANCE HostInstance()
{
    HostCore* host = ActiveHost();
    return host ? host->HostInstance() : nullptr;
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
    HostCore* host = ActiveHost();
    if (!host)
        return;
    HostValue value = {};
    value.type = ValueInt;
    value.value = v;
    host->SetValue(TableConfig, 0, column, &value);
}

char* GetContactString(int contact, int column)
{
    HostCore* host = ActiveHost();
    if (!host)
        return nullptr;
    HostValue value = {};
    value.type = ValueString;
    value.value = 0;
    value.bufferSize = -1;
    host->GetValue(TableContacts, contact, column, &value);
    return WordAddress<char>(value.value);
}

void HostFreeText(void* text)
{
    HostCore* host = ActiveHost();
    if (host && text)
        host->HostFree(text);
}
