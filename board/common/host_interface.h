// Calls back into the Orvane host through the HostCore handed over by MsgInit.
#ifndef OBOARD_COMMON_HOST_INTERFACE_H
#define OBOARD_COMMON_HOST_INTERFACE_H

#include "oboard/host_core.h"

// Null until MsgInit; never released by the plugin.
extern HostCore* gHostCore;

// The host that one run of a handler talks to from its start to its end.
// A host may call the plugin back from inside any call into it, and such a
// nested MsgInit replaces gHostCore; the handler that was interrupted
// still finishes with the host it began with (a text it got from one host
// goes back to that host), while later messages use the new one. The entry
// point holds one for every message it handles.
class PinnedHost {
public:
    PinnedHost();
    ~PinnedHost();
    PinnedHost(const PinnedHost&) = delete;
    PinnedHost& operator=(const PinnedHost&) = delete;

private:
    HostCore* previous_;
    bool previousSet_;
};

// The pinned host of the handler that is running, or gHostCore outside
// every handler (window procedures run from the host's message loop). Null
// before MsgInit. Every wrapper below goes through it.
HostCore* ActiveHost();

// A PluginMessage of size 30 with zero header words; HostMessage's result.
int SendHostMessage(uint32_t id, int32_t p1, int32_t p2);

HINSTANCE HostInstance();
int32_t GetConfigInt(int column);
void SetConfigInt(int column, int32_t value);
int32_t GetContactInt(int contact, int column);
// A host text, or null; hand it back with HostFreeText when done.
char* GetContactString(int contact, int column);
void HostFreeText(void* text);

#endif
