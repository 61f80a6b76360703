// The steps of the plugin-message guide: its C snippets, compiled in from
// docs/plugin-messages.md at build time (guide_snippets.py), each run as
// another plugin of the host would run it.
#ifndef ORVANE_GUIDE_STEPS_H
#define ORVANE_GUIDE_STEPS_H

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "oboard/host_core.h"
#include "oboard/plugin_messages.h"

// The plugin's exported IMessageProc, which the host calls.
using PluginEntry = intptr_t(__stdcall*)(PluginMessage*);

// What a step's picture shows: nothing, the board's frame window, or the
// board's whole 640x480 canvas.
enum class GuidePicture { None, Window, Canvas };

struct GuideStep {
    const char* name;  // of the picture: NAME.bmp
    intptr_t (*run)(HostCore* core, PluginEntry IMessageProc, int32_t net, int32_t contact);
    int32_t net;  // the board the step works on
    int32_t contact;
    GuidePicture picture;
    bool clear;    // the canvas is cleared before the step
    bool deliver;  // what the host sent arrives before the step
};

extern const GuideStep GuideSteps[];
extern const size_t GuideStepCount;

#endif
