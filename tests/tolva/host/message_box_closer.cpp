#include "message_box_closer.h"

#include <windows.h>

#include <mutex>

namespace {

const DWORD kPollInterval = 10;

std::mutex seenMutex;
SeenMessageBoxes seen;

struct BoxContents {
    std::string text;
    bool informationIcon = false;
    int buttons = 0;
};

BOOL CALLBACK InspectChild(HWND child, LPARAM data)
{
    BoxContents* contents = reinterpret_cast<BoxContents*>(data);
    char className[64] = "";
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Button") == 0) {
        ++contents->buttons;
    } else if (lstrcmpiA(className, "Static") == 0) {
        HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        if (icon != nullptr && icon == LoadIconA(nullptr, IDI_INFORMATION)) {
            contents->informationIcon = true;
        }
        char text[1024] = "";
        GetWindowTextA(child, text, sizeof text);
        if (text[0] != '\0')
            contents->text = text;
    }
    return TRUE;
}

DWORD WINAPI CloserThread(LPVOID)
{
    for (;;) {
        HWND box = FindWindowA("#32770", "TOLVA");
        if (box == nullptr) {
            Sleep(kPollInterval);
            continue;
        }
        BoxContents contents;
        EnumChildWindows(box, InspectChild, reinterpret_cast<LPARAM>(&contents));
        {
            std::lock_guard<std::mutex> lock(seenMutex);
            ++seen.count;
            seen.lastText = contents.text;
            seen.informationIcon = contents.informationIcon;
            seen.buttons = contents.buttons;
            seen.owned = GetWindow(box, GW_OWNER) != nullptr;
        }
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        while (IsWindow(box))
            Sleep(kPollInterval);
    }
    return 0;
}

}  // namespace

void StartMessageBoxCloser()
{
    HANDLE thread = CreateThread(nullptr, 0, CloserThread, nullptr, 0, nullptr);
    if (thread != nullptr)
        CloseHandle(thread);  // runs until the process ends
}

SeenMessageBoxes TakeSeenMessageBoxes()
{
    std::lock_guard<std::mutex> lock(seenMutex);
    SeenMessageBoxes result = seen;
    seen = SeenMessageBoxes();
    return result;
}
