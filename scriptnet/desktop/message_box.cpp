#include "desktop/message_box.h"

#include <windows.h>

#include <cstring>

#include "common/unloading_signal.h"

namespace {

const char MessageBoxCaption[] = "TOLVA";
const UINT MessageBoxStyle = MB_OK | MB_ICONINFORMATION;
const char DialogClass[] = "#32770";
// How often a box looks whether the module is unloading.
const UINT UnloadCheckInterval = 100;

BOOL CALLBACK CloseScriptBox(HWND window, LPARAM)
{
    char className[sizeof DialogClass + 1];
    char caption[sizeof MessageBoxCaption + 1];
    if (GetClassNameA(window, className, sizeof className) > 0 && std::strcmp(className, DialogClass) == 0 &&
        GetWindowTextA(window, caption, sizeof caption) > 0 && std::strcmp(caption, MessageBoxCaption) == 0) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

// Runs in the box's own message loop, on the thread that shows it: a box
// made just as the unloading began is seen too, which a close sent from
// another thread could miss.
VOID CALLBACK CloseBoxesAtUnload(HWND, UINT, UINT_PTR, DWORD)
{
    if (ModuleUnloading())
        EnumThreadWindows(GetCurrentThreadId(), CloseScriptBox, 0);
}

}  // namespace

void ShowScriptMessage(const char* text)
{
    // Runs without the state's lock (the runtime releases it around script
    // functions), so other threads may use the state while the box is up.
    // A box would hold its thread, on whatever thread it is, past the
    // unloading: none is shown then, and one that is up closes.
    if (ModuleUnloading())
        return;
    UINT_PTR timer = SetTimer(nullptr, 0, UnloadCheckInterval, CloseBoxesAtUnload);
    MessageBoxA(nullptr, text, MessageBoxCaption, MessageBoxStyle);
    if (timer != 0)
        KillTimer(nullptr, timer);
}
