// The instance handle every window of the plugin is created with; each of the
// plugin's window-class registrations records it.
#ifndef OBOARD_COMMON_MODULE_INSTANCE_H
#define OBOARD_COMMON_MODULE_INSTANCE_H

#include <windows.h>

extern HINSTANCE gBoardModuleInstance;

#endif
