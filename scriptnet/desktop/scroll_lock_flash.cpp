#include "scroll_lock_flash.h"

#include <windows.h>

#include "../host/script_arguments.h"
#include "../host/script_functions.h"

std::atomic<int> FlashTime(250);

namespace {

const int kDefaultFlashTime = 250;
const int kLongestFlashTime = 5000;
const int kMostFlashes = 40;
const int kFlashesForZeroOrTooMany = 2;
const BYTE kScrollLockScanCode = 0x45;

void ToggleScrollLock()
{
    keybd_event(VK_SCROLL, kScrollLockScanCode, KEYEVENTF_EXTENDEDKEY, 0);
    keybd_event(VK_SCROLL, kScrollLockScanCode, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
}

// 1 without a numeric argument; 0 and values above 40 become 2.
int FlashCount(const LuaStackObject& argument)
{
    if (!argument.IsNumber())
        return 1;
    int count = argument.GetInteger();
    if (count == 0 || count > kMostFlashes)
        return kFlashesForZeroOrTooMany;
    return count;
}

// A flash thread holds its own reference to this module and drops it as it
// ends, so the module cannot be unloaded under a running flash.
DWORD WINAPI FlashThread(LPVOID parameter)
{
    FlashScrollLock(static_cast<int>(reinterpret_cast<INT_PTR>(parameter)));
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&FlashThread), &self);
    FreeLibraryAndExitThread(self, 0);
    return 0;
}

}  // namespace

void FlashScrollLock(int count)
{
    for (int i = 0; i < count; ++i) {
        ToggleScrollLock();
        Sleep(static_cast<DWORD>(FlashTime.load()));
        ToggleScrollLock();
        Sleep(static_cast<DWORD>(FlashTime.load()));
    }
}

int tSetFlashTime(LuaState*, LuaStackObject* args)
{
    if (!args[1].IsNumber())
        return 0;
    int time = args[1].GetInteger();
    // A phase length must be positive: 0, negative values (which as a sleep
    // length would mean about 49 days) and values above 5000 all give 250.
    if (time <= 0 || time > kLongestFlashTime)
        time = kDefaultFlashTime;
    FlashTime.store(time);
    return 0;
}

int tFlash(LuaState*, LuaStackObject* args)
{
    FlashScrollLock(FlashCount(args[1]));
    return 0;
}

int tFlashAsync(LuaState*, LuaStackObject* args)
{
    int count = FlashCount(args[1]);
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&FlashThread), &self)) {
        return 0;
    }
    HANDLE thread =
        CreateThread(nullptr, 0, FlashThread, reinterpret_cast<LPVOID>(static_cast<INT_PTR>(count)), 0, nullptr);
    if (thread == nullptr) {
        FreeLibrary(self);
        return 0;
    }
    CloseHandle(thread);
    return 0;
}
