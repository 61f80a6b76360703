#include "board_demo.h"

#include "oboard/board_ui.h"
#include "oboard/plugin_messages.h"
#include "synthetic_input.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

HWND CanvasOf(HWND frame)
{
    return FindWindowExA(frame, nullptr, CanvasClassName, nullptr);
}

HWND ToolbarOf(HWND frame)
{
    HWND rebar = FindWindowExA(frame, nullptr, REBARCLASSNAMEA, nullptr);
    return rebar ? FindWindowExA(rebar, nullptr, TOOLBARCLASSNAMEA, nullptr) : nullptr;
}

void SendMouse(DWORD flags, const POINT& screen)
{
    SendMouseAt(flags, screen);
    PumpWaitingMessages();
}

// A press at the first point, moves through the others, release at the last.
void Stroke(HWND canvas, const std::vector<POINT>& points)
{
    std::vector<POINT> screen = points;
    for (POINT& point : screen)
        ClientToScreen(canvas, &point);
    SendMouse(0, screen.front());
    SendMouse(MOUSEEVENTF_LEFTDOWN, screen.front());
    for (size_t i = 1; i < screen.size(); ++i)
        SendMouse(0, screen[i]);
    SendMouse(MOUSEEVENTF_LEFTUP, screen.back());
}

// Clicks the toolbar button of command `id`, as the user picks a tool; falls
// back to the command itself on a board without toolbar.
void PressToolButton(HWND frame, int id)
{
    HWND toolbar = ToolbarOf(frame);
    RECT rect = {};
    if (!toolbar || !SendMessageA(toolbar, TB_GETRECT, id, reinterpret_cast<LPARAM>(&rect))) {
        SendMessageA(frame, WM_COMMAND, id, 0);
        return;
    }
    POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(toolbar, &centre);
    SendMouse(0, centre);
    SendMouse(MOUSEEVENTF_LEFTDOWN, centre);
    SendMouse(MOUSEEVENTF_LEFTUP, centre);
}

// A wavy free-hand line of `steps` segments.
std::vector<POINT> Wave(int x, int y, int length, int height)
{
    std::vector<POINT> points;
    for (int i = 0; i <= 24; ++i) {
        const int dx = length * i / 24;
        const int phase = i % 8;
        const int dy = (phase < 4 ? phase : 8 - phase) * height / 4;
        points.push_back(POINT {x + dx, y + dy});
    }
    return points;
}

// Writes the top left `width` x `height` pixels that `source` shows as a
// 24-bit BMP file.
bool SaveDcPicture(HDC source, int width, int height, const std::string& path, POINT origin = POINT {0, 0})
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const int rowBytes = (width * 3 + 3) & ~3;
    info.bmiHeader.biSizeImage = rowBytes * height;

    HDC memory = CreateCompatibleDC(source);
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (memory && picture) {
        HGDIOBJ previous = SelectObject(memory, picture);
        copied = BitBlt(memory, 0, 0, width, height, source, origin.x, origin.y, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memory, previous);
    }

    bool written = false;
    if (copied) {
        BITMAPFILEHEADER header = {};
        header.bfType = 0x4D42;  // "BM"
        header.bfOffBits = sizeof header + sizeof info.bmiHeader;
        header.bfSize = header.bfOffBits + info.bmiHeader.biSizeImage;
        if (FILE* file = std::fopen(path.c_str(), "wb")) {
            written = std::fwrite(&header, sizeof header, 1, file) == 1 &&
                std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, file) == 1 &&
                std::fwrite(bits, info.bmiHeader.biSizeImage, 1, file) == 1;
            written = std::fclose(file) == 0 && written;
        }
    }
    if (picture)
        DeleteObject(picture);
    if (memory)
        DeleteDC(memory);
    return written;
}

}  // namespace

void PumpWaitingMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void DrawDemoStrokes(HWND frame)
{
    HWND canvas = CanvasOf(frame);
    if (!canvas)
        return;
    SetForegroundWindow(frame);
    UpdateWindow(frame);
    PumpWaitingMessages();
    auto command = [frame](int id) { PressToolButton(frame, id); };
    auto penColor = [frame](int item) { SendMessageA(frame, MsgSetPenColor, item, 0); };
    auto fillColor = [frame](int item) { SendMessageA(frame, MsgSetFillColor, item, 0); };

    command(CmdToolFreehand);
    Stroke(canvas, Wave(30, 30, 260, 40));
    penColor(MenuColorRed);
    Stroke(canvas, Wave(30, 90, 260, 30));

    command(CmdToolLine);
    penColor(MenuColorBlue);
    for (int i = 0; i < 5; ++i)
        Stroke(canvas, {{320, 30 + 20 * i}, {450, 60 + 15 * i}, {600, 40 + 25 * i}});

    command(CmdToolRectangle);
    penColor(MenuColorGreen);
    fillColor(MenuColorYellow);
    Stroke(canvas, {{40, 170}, {150, 230}, {260, 330}});
    fillColor(MenuColorNone);
    Stroke(canvas, {{80, 210}, {300, 380}});

    command(CmdToolEllipse);
    penColor(MenuColorRed);
    fillColor(MenuColorBlue);
    Stroke(canvas, {{340, 180}, {420, 260}, {560, 340}});
    fillColor(MenuColorNone);
    Stroke(canvas, {{380, 300}, {600, 420}});

    UpdateWindow(frame);
    RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    PumpWaitingMessages();
}

void DrawByPluginMessages(LoadedPlugin& plugin, int32_t net, int32_t contact)
{
    auto set = [&](uint32_t attribute, int32_t value) { plugin.Send(attribute, contact, value, net); };
    auto draw = [&](uint32_t id, int x1, int y1, int x2, int y2) { plugin.SendDraw(id, net, contact, x1, y1, x2, y2); };
    // A small house in the lower left corner, drawn by "another plugin".
    set(MsgRequestPenWidth, 3);
    set(MsgRequestPenColor, RGB(120, 60, 20));
    set(MsgRequestFillColor, RGB(250, 220, 160));
    set(MsgRequestFillEnabled, 1);
    draw(MsgDrawRectangle, 30, 390, 130, 470);
    draw(MsgDrawLine, 25, 390, 80, 345);
    draw(MsgDrawLine, 80, 345, 135, 390);
    set(MsgRequestFillColor, RGB(120, 180, 255));
    draw(MsgDrawRectangle, 45, 405, 75, 430);
    set(MsgRequestPenEnabled, 0);
    set(MsgRequestFillColor, RGB(255, 200, 0));
    draw(MsgDrawEllipse, 150, 345, 190, 385);
    PumpWaitingMessages();
}

namespace {

// A chord, handled before the next step.
void PressKeysNow(std::initializer_list<WORD> keys)
{
    PressKeys(keys);
    PumpWaitingMessages();
}

// The open popup menu of this process, waited for up to ten seconds.
HWND AwaitOpenMenu()
{
    for (int tries = 0; tries < 1000; ++tries) {
        HWND menu = nullptr;
        while ((menu = FindWindowExA(nullptr, menu, "#32768", nullptr)) != nullptr) {
            DWORD process = 0;
            GetWindowThreadProcessId(menu, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(menu))
                return menu;
        }
        Sleep(10);
    }
    return nullptr;
}

}  // namespace

bool SaveMenuPicture(HWND frame, const std::string& path)
{
    HWND canvas = CanvasOf(frame);
    if (!canvas)
        return false;
    SetForegroundWindow(frame);
    PumpWaitingMessages();
    PressKeysNow({VK_CONTROL, 'C'});
    PressKeysNow({VK_CONTROL, 'Z'});
    RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);

    // The menu's loop runs on this thread; a second one waits for the menu,
    // takes the picture and closes it.
    std::atomic<bool> done(false);
    bool written = false;
    std::thread photographer([&] {
        if (HWND menu = AwaitOpenMenu()) {
            RECT board, shown, both;
            GetWindowRect(frame, &board);
            GetWindowRect(menu, &shown);
            UnionRect(&both, &board, &shown);
            HDC screen = GetDC(nullptr);
            written = screen &&
                SaveDcPicture(screen, both.right - both.left, both.bottom - both.top, path,
                              POINT {both.left, both.top});
            if (screen)
                ReleaseDC(nullptr, screen);
            INPUT escape[2] = {};
            escape[0].type = escape[1].type = INPUT_KEYBOARD;
            escape[0].ki.wVk = escape[1].ki.wVk = VK_ESCAPE;
            escape[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, escape, sizeof(INPUT));
        }
        done = true;
    });
    POINT at = {330, 120};
    ClientToScreen(canvas, &at);
    SendMouse(MOUSEEVENTF_RIGHTDOWN, at);
    SendMouse(MOUSEEVENTF_RIGHTUP, at);
    while (!done) {
        PumpWaitingMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    photographer.join();
    PumpWaitingMessages();
    return written;
}

bool SaveWindowPicture(HWND window, const std::string& path)
{
    RECT bounds;
    if (!GetWindowRect(window, &bounds))
        return false;
    HDC windowDc = GetWindowDC(window);
    if (!windowDc)
        return false;
    const bool written = SaveDcPicture(windowDc, bounds.right - bounds.left, bounds.bottom - bounds.top, path);
    ReleaseDC(window, windowDc);
    return written;
}

bool SaveClientPicture(HWND window, int width, int height, const std::string& path)
{
    HDC clientDc = GetDC(window);
    if (!clientDc)
        return false;
    const bool written = SaveDcPicture(clientDc, width, height, path);
    ReleaseDC(window, clientDc);
    return written;
}
