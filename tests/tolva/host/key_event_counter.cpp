#include "key_event_counter.h"

#include <windows.h>

#include <mutex>

namespace {

// An otherwise unused key marks the end of what a script sent.
const WORD kMarkerKey = VK_F24;
const BYTE kScrollLockScanCode = 0x45;
const DWORD kMarkerWait = 10000;

std::mutex countsMutex;
ScrollLockEvents counts;
HANDLE markerSeen = nullptr;
HANDLE pressSeen = nullptr;
HANDLE hookReady = nullptr;
bool hookInstalled = false;

LRESULT CALLBACK KeyboardHook(int code, WPARAM message, LPARAM data)
{
    if (code == HC_ACTION) {
        const KBDLLHOOKSTRUCT* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
        if (key->vkCode == VK_SCROLL) {
            std::lock_guard<std::mutex> lock(countsMutex);
            bool wellFormed = key->scanCode == kScrollLockScanCode && (key->flags & LLKHF_EXTENDED);
            if (!wellFormed) {
                ++counts.malformed;
            } else if (key->flags & LLKHF_UP) {
                ++counts.releases;
                counts.order += 'R';
            } else {
                ++counts.presses;
                counts.order += 'P';
                SetEvent(pressSeen);
            }
        } else if (key->vkCode == kMarkerKey && (key->flags & LLKHF_UP)) {
            SetEvent(markerSeen);
        }
    }
    (void)message;
    return CallNextHookEx(nullptr, code, message, data);
}

DWORD WINAPI HookThread(LPVOID)
{
    HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHook, GetModuleHandleA(nullptr), 0);
    hookInstalled = hook != nullptr;
    SetEvent(hookReady);
    if (hook == nullptr)
        return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    UnhookWindowsHookEx(hook);
    return 0;
}

}  // namespace

bool StartKeyEventCounter()
{
    markerSeen = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    pressSeen = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    hookReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, HookThread, nullptr, 0, nullptr);
    if (thread == nullptr)
        return false;
    CloseHandle(thread);  // runs until the process ends
    WaitForSingleObject(hookReady, INFINITE);
    return hookInstalled;
}

bool TakeScrollLockEvents(ScrollLockEvents* events)
{
    ResetEvent(markerSeen);
    keybd_event(static_cast<BYTE>(kMarkerKey), 0, 0, 0);
    keybd_event(static_cast<BYTE>(kMarkerKey), 0, KEYEVENTF_KEYUP, 0);
    bool seen = WaitForSingleObject(markerSeen, kMarkerWait) == WAIT_OBJECT_0;
    std::lock_guard<std::mutex> lock(countsMutex);
    *events = counts;
    counts = ScrollLockEvents();
    return seen;
}

bool WaitForScrollLockPress()
{
    ResetEvent(pressSeen);
    return WaitForSingleObject(pressSeen, kMarkerWait) == WAIT_OBJECT_0;
}
