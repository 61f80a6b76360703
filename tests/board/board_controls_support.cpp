#include "board_controls_support.h"

#include <cstring>

PixelGrid CaptureClient(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client = {};
    GetClientRect(window, &client);
    PixelGrid grid;
    grid.width = client.right;
    grid.height = client.bottom;
    if (grid.width <= 0 || grid.height <= 0)
        return grid;
    MemoryCanvas copy(grid.width, grid.height, RGB(0, 0, 0));
    HDC dc = GetDC(window);
    BitBlt(copy.Dc(), 0, 0, grid.width, grid.height, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    grid.pixels.resize(static_cast<size_t>(grid.width) * grid.height);
    for (int y = 0; y < grid.height; ++y)
        for (int x = 0; x < grid.width; ++x)
            grid.pixels[static_cast<size_t>(y) * grid.width + x] = copy.At(x, y);
    return grid;
}

MemoryCanvas::MemoryCanvas(int width, int height, COLORREF background) : width_(width)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    RECT all = {0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
}

MemoryCanvas::~MemoryCanvas()
{
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

COLORREF MemoryCanvas::At(int x, int y) const
{
    GdiFlush();
    const uint32_t pixel = static_cast<const uint32_t*>(bits_)[static_cast<size_t>(y) * width_ + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

namespace {

std::function<void(HWND)> gCurrentAnswer;
bool gAnswering = false;

BOOL CALLBACK AnswerDialog(HWND window, LPARAM)
{
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    gCurrentAnswer(window);
    return FALSE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM lParam)
{
    ModalSeen* seen = reinterpret_cast<ModalSeen*>(lParam);
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (!IsWindowVisible(child))
        return TRUE;
    if (std::strcmp(className, "Static") == 0) {
        char text[256] = {};
        GetWindowTextA(child, text, sizeof text);
        if (text[0]) {
            if (!seen->text.empty())
                seen->text += "|";
            seen->text += text;
        }
    } else if (std::strcmp(className, "Button") == 0) {
        seen->visibleButtons.push_back(GetDlgCtrlID(child));
    }
    return TRUE;
}

LPCSTR gRefusedClass = nullptr;

}  // namespace

ModalAnswerer::ModalAnswerer(std::function<void(HWND)> answer)
{
    gCurrentAnswer = std::move(answer);
    timer_ = SetTimer(nullptr, 0, 20, OnTimer);
}

ModalAnswerer::~ModalAnswerer()
{
    KillTimer(nullptr, timer_);
    gCurrentAnswer = nullptr;
}

void CALLBACK ModalAnswerer::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (gAnswering || !gCurrentAnswer)
        return;
    gAnswering = true;
    EnumThreadWindows(GetCurrentThreadId(), AnswerDialog, 0);
    gAnswering = false;
}

ModalSeen DescribeModal(HWND dialog)
{
    ModalSeen seen;
    char caption[256] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    seen.caption = caption;
    seen.owner = GetWindow(dialog, GW_OWNER);
    EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&seen));
    return seen;
}

void PressDialogButton(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

RefuseWindowClass::RefuseWindowClass(const char* className)
{
    gRefusedClass = className;
    hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

RefuseWindowClass::~RefuseWindowClass()
{
    UnhookWindowsHookEx(hook_);
    gRefusedClass = nullptr;
}

LRESULT CALLBACK RefuseWindowClass::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && gRefusedClass) {
        char className[64] = {};
        GetClassNameA(reinterpret_cast<HWND>(wParam), className, sizeof className);
        if (lstrcmpiA(className, gRefusedClass) == 0)
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HIMAGELIST BoardControlsTest::PluginImageList()
{
    HIMAGELIST* list = ModuleGlobal<HIMAGELIST>(plugin->Module(), "gBoardImageList");
    return list ? *list : nullptr;
}

COLORREF* BoardControlsTest::PluginCustomColors()
{
    return ModuleGlobal<COLORREF>(plugin->Module(), "gCustomColors");
}

void ClickToolbarButton(HWND toolbar, int command)
{
    RECT button = {};
    SendMessageA(toolbar, TB_GETRECT, command, reinterpret_cast<LPARAM>(&button));
    ClickAt(toolbar, (button.left + button.right) / 2, (button.top + button.bottom) / 2);
}

void ClickAt(HWND window, int x, int y)
{
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    PumpMessages();
}

RECT RectIn(HWND parent, HWND child)
{
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

WNDPROC PaintWatch::gOriginal = nullptr;
int PaintWatch::gErases = 0;
int PaintWatch::gPaints = 0;

PaintWatch::PaintWatch(HWND window) : window_(window)
{
    Reset();
    gOriginal = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)));
}

PaintWatch::~PaintWatch()
{
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gOriginal));
}

LRESULT CALLBACK PaintWatch::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND)
        ++gErases;
    if (message == WM_PAINT)
        ++gPaints;
    return CallWindowProcA(gOriginal, window, message, wParam, lParam);
}
