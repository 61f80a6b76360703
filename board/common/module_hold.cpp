#include "common/module_hold.h"

#include <windows.h>

#include <new>

namespace {

// Entries into the module running on the user-interface thread, the
// outermost included.
unsigned gEntries = 0;
// The reference HoldModuleWhileEntered took, until the outermost entry
// hands it to its releasing thread.
HMODULE gHeldModule = nullptr;

struct HeldReference {
    HMODULE module;
    HWND waypoint;  // a window of the user-interface thread, not of this module
};

// A message sent to another thread's window is delivered only when that
// thread takes messages, which it does after the outermost entry returned
// (or inside a new one, whose own end of the interface holds the module
// again): once the message is answered the module's code is off that
// thread's stack as far as this reference goes.
DWORD WINAPI ReleaseOnceLeft(void* parameter)
{
    const HeldReference held = *static_cast<HeldReference*>(parameter);
    delete static_cast<HeldReference*>(parameter);
    SendMessageA(held.waypoint, WM_NULL, 0, 0);
    PostMessageA(held.waypoint, WM_CLOSE, 0, 0);
    FreeLibraryAndExitThread(held.module, 0);
}

// Hands the held reference to a thread that drops it once the
// user-interface thread has left the module. Where that cannot be
// arranged the module stays loaded: a module left loaded costs memory, one
// unmapped under running code takes the host down.
void ReleaseHeldModule()
{
    HeldReference* held = new (std::nothrow) HeldReference {gHeldModule, nullptr};
    gHeldModule = nullptr;
    if (!held)
        return;
    held->waypoint = CreateWindowExA(0, "STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    HANDLE thread = held->waypoint ? CreateThread(nullptr, 0, ReleaseOnceLeft, held, 0, nullptr) : nullptr;
    if (thread) {
        CloseHandle(thread);
        return;
    }
    if (held->waypoint)
        DestroyWindow(held->waypoint);
    delete held;
}

}  // namespace

ModuleEntry::ModuleEntry()
{
    ++gEntries;
}

ModuleEntry::~ModuleEntry()
{
    if (--gEntries == 0 && gHeldModule)
        ReleaseHeldModule();
}

void HoldModuleWhileEntered()
{
    if (gEntries < 2 || gHeldModule)
        return;
    HMODULE module = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&gEntries), &module))
        gHeldModule = module;
}
