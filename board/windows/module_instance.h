// The instance handle every window of the plugin is created with; each of the
// plugin's window-class registrations records it.
#ifndef OBOARD_MODULE_INSTANCE_H
#define OBOARD_MODULE_INSTANCE_H

#include <windows.h>

extern HINSTANCE BoardModuleInstance;

#endif
