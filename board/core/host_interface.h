// Calls back into the Orvane host through the HostCore handed over by MsgInit.
#ifndef OBOARD_HOST_INTERFACE_H
#define OBOARD_HOST_INTERFACE_H

#include "oboard/host_core.h"

// Null until MsgInit; never released by the plugin.
extern HostCore* TheHostCore;

// A PluginMessage of size 30 with zero header words; HostMessage's result.
int SendHostMessage(uint32_t id, int32_t p1, int32_t p2);

int32_t GetConfigInt(int column);
void SetConfigInt(int column, int32_t value);
int32_t GetContactInt(int contact, int column);
// A host text, or null; hand it back with HostFreeText when done.
char* GetContactString(int contact, int column);
void HostFreeText(void* text);

// Addresses as the 32-bit words of host records.
template <typename T> inline int32_t AddressWord(T* pointer)
{
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(pointer));
}

#endif
