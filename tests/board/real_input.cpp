#include "real_input.h"

#include "plugin_fixture.h"

#include <atomic>
#include <thread>
#include <vector>

void MouseAt(HWND window, int x, int y, DWORD buttons)
{
    POINT screen = {x, y};
    ClientToScreen(window, &screen);
    SendMouseAt(buttons, screen);
}

void RealStroke(HWND canvas, const std::vector<POINT>& points)
{
    MouseAt(canvas, points.front().x, points.front().y);
    MouseAt(canvas, points.front().x, points.front().y, MOUSEEVENTF_LEFTDOWN);
    PumpMessages();
    for (size_t i = 1; i < points.size(); ++i) {
        MouseAt(canvas, points[i].x, points[i].y);
        PumpMessages();
    }
    MouseAt(canvas, points.back().x, points.back().y, MOUSEEVENTF_LEFTUP);
    PumpMessages();
}

void WhileWatching(const std::function<void()>& watch)
{
    std::atomic<bool> done(false);
    std::thread watcher([&] {
        watch();
        done = true;
    });
    while (!done) {
        PumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    watcher.join();
    PumpMessages();
}

namespace {

struct WindowSearch {
    const char* className;
    const std::function<bool(HWND)>* accept;
    HWND found;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM data)
{
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[64] = {};
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) || !GetClassNameA(window, name, sizeof name) ||
        lstrcmpA(name, search.className) != 0)
        return TRUE;
    if (*search.accept && !(*search.accept)(window))
        return TRUE;
    search.found = window;
    return FALSE;
}

}  // namespace

HWND AwaitWindow(const char* className, const std::function<bool(HWND)>& accept, DWORD timeout)
{
    const DWORD start = GetTickCount();
    WindowSearch search = {className, &accept, nullptr};
    while (GetTickCount() - start < timeout) {
        EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        Sleep(10);
    }
    return nullptr;
}

std::vector<MenuItemSeen> ItemsOfOpenMenu(HWND menuWindow)
{
    std::vector<MenuItemSeen> items;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
    for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        if (!(state & MF_SEPARATOR))
            items.push_back(MenuItemSeen {text, (state & MF_GRAYED) != 0});
    }
    return items;
}

namespace {

BOOL CALLBACK LongestStatic(HWND child, LPARAM data)
{
    char name[16] = {}, text[512] = {};
    GetClassNameA(child, name, sizeof name);
    GetWindowTextA(child, text, sizeof text);
    std::string& longest = *reinterpret_cast<std::string*>(data);
    if (!lstrcmpiA(name, "Static") && std::string(text).size() > longest.size())
        longest = text;
    return TRUE;
}

}  // namespace

std::string MessageBoxText(HWND box)
{
    std::string text;
    EnumChildWindows(box, LongestStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}
