#include "size_picker.h"

#include <commctrl.h>

#include <cstdio>

#include "../windows/board_window_state.h"
#include "../windows/module_instance.h"

const char SizePickerClassName[] = "sizepicker";

namespace {

const int MinPenWidth = 1;
const int MaxPenWidth = 10;
const DWORD SpinStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;

// The picker sits in the toolbar, which sits in the rebar of the frame
// that holds the board's record.
BoardWindowState* PickerBoardState(HWND picker)
{
    HWND toolbar = GetParent(picker);
    HWND rebar = toolbar ? GetParent(toolbar) : nullptr;
    return rebar ? BoardStateOf(GetParent(rebar)) : nullptr;
}

void CreateSpin(HWND picker)
{
    RECT client = {};
    GetClientRect(picker, &client);
    // Width 0: the up-down control picks its own. Position = width - 1.
    CreateUpDownControl(SpinStyle, client.right - GetSystemMetrics(SM_CXVSCROLL) - 1, 1, 0,
                        client.bottom - client.top - 2, picker, IdSizeSpin, BoardModuleInstance, nullptr,
                        MaxPenWidth - 1, MinPenWidth - 1, 0);
}

// UDN_DELTAPOS: 0 lets the up-down control take the change, 1 refuses it.
LRESULT ChangeWidth(HWND picker, const NMUPDOWN* change)
{
    BoardWindowState* state = PickerBoardState(picker);
    if (!state)
        return 1;
    const int width = change->iPos + change->iDelta + 1;
    if (width < MinPenWidth || width > MaxPenWidth)
        return 1;
    state->penWidth = width;
    InvalidateRect(picker, nullptr, TRUE);
    return 0;
}

void Paint(HWND picker)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(picker, &paint);
    if (!dc)
        return;
    const BoardWindowState* state = PickerBoardState(picker);
    if (!state) {
        EndPaint(picker, &paint);
        return;
    }
    RECT client = {};
    GetClientRect(picker, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const int scrollWidth = GetSystemMetrics(SM_CXVSCROLL);
    const int penWidth = state->penWidth;

    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    HGDIOBJ oldPen = nullptr;
    if (HPEN outline = CreatePen(PS_SOLID, 0, GetSysColor(COLOR_INACTIVECAPTION))) {
        oldPen = SelectObject(dc, outline);
        Rectangle(dc, client.left, client.top, client.right, client.bottom);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(outline);
    }

    // The strip where the up-down control stands keeps the window colour.
    if (state->fillEnabled) {
        RECT inside = {client.left + 2, client.top + 2, client.right - scrollWidth - 1, client.bottom - 2};
        if (HBRUSH fill = CreateSolidBrush(state->fillColor)) {
            FillRect(dc, &inside, fill);
            DeleteObject(fill);
        }
    }

    // Without an outline the bar is exactly penWidth rows high, centred on
    // the middle row.
    HBRUSH bar = CreateSolidBrush(state->penColor);
    if (bar) {
        SelectObject(dc, bar);
        SelectObject(dc, GetStockObject(NULL_PEN));
        const int below = static_cast<int>((penWidth + 1.5) / 2);
        Rectangle(dc, 5, height / 2 - penWidth / 2, width - scrollWidth - 6, height / 2 + below + 1);
    }

    RECT textRect = client;
    textRect.right = client.right - scrollWidth - 1;
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
    char text[32];
    std::snprintf(text, sizeof text, " %d px ", penWidth);
    if (state->fillEnabled)
        SetBkColor(dc, state->fillColor);
    SetTextColor(dc, state->penEnabled ? state->penColor : RGB(0, 0, 0));
    DrawTextA(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_CENTER);

    SelectObject(dc, oldFont);
    SelectObject(dc, oldBrush);
    if (oldPen)
        SelectObject(dc, oldPen);
    if (bar)
        DeleteObject(bar);
    EndPaint(picker, &paint);
}

}  // namespace

LRESULT CALLBACK SizePickerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CreateSpin(window);
        return 0;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->code == UDN_DELTAPOS)
            return ChangeWidth(window, reinterpret_cast<const NMUPDOWN*>(lParam));
        return 0;
    }
    case WM_PAINT:
        Paint(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterSizePicker(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SizePickerProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = SizePickerClassName;
    RegisterClassExA(&windowClass);
    BoardModuleInstance = instance;
}
