// The module's hold on itself and on its own handles, shared by the
// threads it starts.
#ifndef SCRIPTNET_COMMON_THIS_MODULE_H
#define SCRIPTNET_COMMON_THIS_MODULE_H

#include <windows.h>

// A new reference on this module, so that a thread of ours keeps the DLL
// mapped until its last instruction; null when none could be taken. The
// thread gives it back with FreeLibraryAndExitThread.
HMODULE PinThisModule();

// This module, without taking a reference.
HMODULE ThisModule();

// A second handle of this process to the same object, or null.
HANDLE DuplicateOwnHandle(HANDLE handle);

// Closes a handle unless it is null or INVALID_HANDLE_VALUE.
void CloseOwnedHandle(HANDLE handle);

#endif
