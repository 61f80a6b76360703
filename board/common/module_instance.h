// The instance handle every window of the plugin is created with, and the
// one way the plugin's window classes are registered, which records it.
#ifndef OBOARD_COMMON_MODULE_INSTANCE_H
#define OBOARD_COMMON_MODULE_INSTANCE_H

#include <windows.h>

extern HINSTANCE gBoardModuleInstance;

// Registers `windowClass`, its size and instance filled in here, with
// `instance`, which the plugin's windows are created with from then on.
// False when the class could not be registered (it may be there already,
// from an earlier start).
bool RegisterBoardWindowClass(WNDCLASSEXA& windowClass, HINSTANCE instance);

#endif
