#include "controls/size_picker.h"

#include <commctrl.h>

#include <cstdio>

#include "common/board_window_state.h"
#include "common/module_hold.h"
#include "common/module_instance.h"
#include "oboard/board_ui.h"

namespace {

const int MinPenWidth = 1;
const int MaxPenWidth = 10;
const DWORD SpinStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
// Answers to UDN_DELTAPOS.
const LRESULT TakeChange = 0;
const LRESULT RefuseChange = 1;

// The up-down control at the right edge; its position is the width - 1.
// Width 0: the control picks its own.
void OnCreate(HWND picker)
{
    RECT client = {};
    GetClientRect(picker, &client);
    CreateUpDownControl(SpinStyle, client.right - GetSystemMetrics(SM_CXVSCROLL) - 1, 1, 0,
                        client.bottom - client.top - 2, picker, IdSizeSpin, gBoardModuleInstance, nullptr,
                        MaxPenWidth - 1, MinPenWidth - 1, 0);
}

LRESULT OnWidthChange(HWND picker, BoardWindowState& state, const NMUPDOWN& change)
{
    const int width = change.iPos + change.iDelta + 1;
    if (width < MinPenWidth || width > MaxPenWidth)
        return RefuseChange;
    state.penWidth = width;
    InvalidateRect(picker, nullptr, TRUE);
    return TakeChange;
}

LRESULT OnNotify(HWND picker, BoardWindowState& state, const NMHDR* header)
{
    if (header && header->code == UDN_DELTAPOS)
        return OnWidthChange(picker, state, *reinterpret_cast<const NMUPDOWN*>(header));
    return 0;
}

// The outline, the fill colour as background (the up-down control's strip
// keeps the window colour), a bar of the pen's width and colour, and the
// width as text over it.
void PaintContent(HDC dc, const BoardWindowState& state, const RECT& client, int scrollWidth)
{
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const int penWidth = state.penWidth;

    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    HGDIOBJ oldPen = nullptr;
    if (HPEN outline = CreatePen(PS_SOLID, 0, GetSysColor(COLOR_INACTIVECAPTION))) {
        oldPen = SelectObject(dc, outline);
        Rectangle(dc, client.left, client.top, client.right, client.bottom);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(outline);
    }

    if (state.fillEnabled) {
        RECT inside = {client.left + 2, client.top + 2, client.right - scrollWidth - 1, client.bottom - 2};
        if (HBRUSH fill = CreateSolidBrush(state.fillColor)) {
            FillRect(dc, &inside, fill);
            DeleteObject(fill);
        }
    }

    // Without an outline the bar is exactly penWidth rows high, centred on
    // the middle row.
    HBRUSH bar = CreateSolidBrush(state.penColor);
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
    if (state.fillEnabled)
        SetBkColor(dc, state.fillColor);
    SetTextColor(dc, state.penEnabled ? state.penColor : RGB(0, 0, 0));
    DrawTextA(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_CENTER);

    SelectObject(dc, oldFont);
    SelectObject(dc, oldBrush);
    if (oldPen)
        SelectObject(dc, oldPen);
    if (bar)
        DeleteObject(bar);
}

void OnPaint(HWND picker, const BoardWindowState& state)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(picker, &paint);
    if (!dc)
        return;
    RECT client = {};
    GetClientRect(picker, &client);
    PaintContent(dc, state, client, GetSystemMetrics(SM_CXVSCROLL));
    EndPaint(picker, &paint);
}

LRESULT CALLBACK SizePickerProc(HWND picker, UINT message, WPARAM wParam, LPARAM lParam)
{
    ModuleEntry entry;
    BoardWindowState* state = BoardStateOf(picker);
    if (!state && message != WM_CREATE)
        return DefWindowProcA(picker, message, wParam, lParam);

    switch (message) {
    case WM_CREATE:
        OnCreate(picker);
        return 0;
    case WM_NOTIFY:
        return OnNotify(picker, *state, reinterpret_cast<const NMHDR*>(lParam));
    case WM_PAINT:
        OnPaint(picker, *state);
        return 0;
    default:
        return DefWindowProcA(picker, message, wParam, lParam);
    }
}

}  // namespace

void RegisterSizePicker(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SizePickerProc;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = SizePickerClassName;
    RegisterBoardWindowClass(windowClass, instance);
}
