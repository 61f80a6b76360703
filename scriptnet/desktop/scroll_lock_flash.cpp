#include "desktop/scroll_lock_flash.h"

#include <windows.h>

#include "common/kept_quirks.h"
#include "common/this_module.h"
#include "common/unloading_signal.h"

namespace {

const BYTE ScrollLockScanCode = 0x45;

void ToggleScrollLock()
{
    keybd_event(VK_SCROLL, ScrollLockScanCode, KEYEVENTF_EXTENDEDKEY, 0);
    keybd_event(VK_SCROLL, ScrollLockScanCode, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
}

// A flash thread holds its own reference to this module, taken by its
// starter, and drops it as it ends, so the module cannot be unloaded under
// a running flash.
DWORD WINAPI FlashThread(LPVOID parameter)
{
    FlashScrollLock(static_cast<int>(reinterpret_cast<INT_PTR>(parameter)));
    FreeLibraryAndExitThread(ThisModule(), 0);
    return 0;
}

}  // namespace

std::atomic<int> gFlashTime(InitialFlashTime);

void SetFlashTime(int milliseconds)
{
    // A negative value, which as a sleep length would mean weeks, goes the
    // way of 0.
    if (milliseconds <= 0 || milliseconds > LongestFlashTime)
        milliseconds = InitialFlashTime;
    gFlashTime.store(milliseconds);
}

int FlashCountOf(int requested)
{
    if (requested == 0 || requested > MostFlashes)
        return FlashesForZeroOrTooMany;
    return requested;
}

void FlashScrollLock(int count)
{
    // Unloading ends a flash at its current phase (tFlash(40) with phases of
    // 5 s would hold a worker, and so the unloading, for 400 s); the light is
    // turned back first if it was turned over.
    for (int i = 0; i < count && !ModuleUnloading(); ++i) {
        ToggleScrollLock();
        bool stopped = !PauseUnlessUnloading(static_cast<DWORD>(gFlashTime.load()));
        ToggleScrollLock();
        if (stopped || !PauseUnlessUnloading(static_cast<DWORD>(gFlashTime.load())))
            return;
    }
}

void FlashScrollLockAsync(int count)
{
    HMODULE pin = PinThisModule();
    if (pin == nullptr)
        return;
    HANDLE thread =
        CreateThread(nullptr, 0, FlashThread, reinterpret_cast<LPVOID>(static_cast<INT_PTR>(count)), 0, nullptr);
    if (thread == nullptr) {
        FreeLibrary(pin);
        return;
    }
    CloseHandle(thread);
}
