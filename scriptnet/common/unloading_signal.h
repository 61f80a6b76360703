// The module-wide signal that the host unregistered the module: from then
// until the next registration the module's own long calls (flash phases,
// message boxes) end at once, on whatever thread they run.
#ifndef SCRIPTNET_COMMON_UNLOADING_SIGNAL_H
#define SCRIPTNET_COMMON_UNLOADING_SIGNAL_H

#include <windows.h>

// Manual-reset event, set while the module is unregistered; waits that the
// unloading must end wait on it too. Made at load, kept until the module goes.
HANDLE UnloadingEvent();

bool ModuleUnloading();

// Waits `milliseconds`, or less when the module is or becomes unloading;
// false then.
bool PauseUnlessUnloading(DWORD milliseconds);

void SignalUnloading();
void ClearUnloading();

#endif
