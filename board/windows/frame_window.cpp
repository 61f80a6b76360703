#include "frame_window.h"

#include <commctrl.h>

#include <new>

#include "board_window_state.h"
#include "canvas_window.h"
#include "module_instance.h"

#include "../controls/board_toolbar.h"
#include "../controls/color_menu.h"
#include "../core/board_registry.h"
#include "../core/host_interface.h"

const char BoardFrameClassName[] = "botgrafwnd";

int HorizontalScrollBarHeight = 0;
int VerticalScrollBarWidth = 0;

namespace {

int Width(const RECT& r)
{
    return r.right - r.left;
}
int Height(const RECT& r)
{
    return r.bottom - r.top;
}

// Height of the rebar along the top; a board without one has none.
int RebarHeight(const BoardWindowState* state)
{
    RECT rebar;
    if (!state || !state->rebarWindow || !GetWindowRect(state->rebarWindow, &rebar))
        return 0;
    return Height(rebar);
}

LRESULT OnCreate(HWND frame, const CREATESTRUCTA* creation)
{
    HorizontalScrollBarHeight = GetSystemMetrics(SM_CYHSCROLL);
    VerticalScrollBarWidth = GetSystemMetrics(SM_CXVSCROLL);

    // Without its key a frame could never leave the registry: refuse it.
    const int32_t* words = static_cast<const int32_t*>(creation->lpCreateParams);
    if (!words)
        return -1;
    BoardWindowState* state = new (std::nothrow) BoardWindowState();
    if (!state)
        return -1;
    state->contact = words[0];
    state->net = words[1];
    state->tool = ToolFreehand;
    state->penWidth = 1;
    state->penColor = RGB(0, 0, 0);
    state->penEnabled = 1;
    state->fillColor = RGB(0, 0, 0);
    state->fillEnabled = 0;
    state->requestPenWidth = 1;
    state->requestPenColor = RGB(0, 0, 0);
    state->requestPenEnabled = 1;
    state->requestFillColor = RGB(0, 0, 0);
    state->requestFillEnabled = 0;
    SetWindowLongPtrA(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));

    DeleteMenu(GetSystemMenu(frame, FALSE), SC_MAXIMIZE, MF_BYCOMMAND);

    // Its real size comes with the frame's first WM_SIZE.
    state->canvasWindow = CreateWindowExA(0, CanvasClassName, nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL,
                                          0, 0, 0, 0, frame, nullptr, BoardModuleInstance, nullptr);

    state->rebarWindow = CreateBoardRebar(frame);
    if (!state->rebarWindow)
        MessageBoxA(nullptr, "Nie utworzono Toolbara", nullptr, MB_OK);
    return 0;
}

LRESULT OnDestroy(HWND frame, WPARAM wParam, LPARAM lParam)
{
    BoardWindowState* state = BoardStateOf(frame);
    SetWindowLongPtrA(frame, GWLP_USERDATA, 0);
    if (state) {
        // The children get their WM_DESTROY after the record is gone, so the
        // board's picture and any drag on it end here.
        ReleaseBoardCanvas(state);
        // A frame destroyed without WM_CLOSE must not leave its entry behind.
        ForgetBoardWindow(BoardKey {state->net, state->contact}, frame);
        delete state;
    }
    return DefWindowProcA(frame, WM_DESTROY, wParam, lParam);
}

void OnClose(HWND frame)
{
    const BoardWindowState* state = BoardStateOf(frame);
    if (state)
        ForgetBoardWindow(BoardKey {state->net, state->contact}, frame);
    DestroyWindow(frame);
}

void OnMove(HWND frame)
{
    if (IsZoomed(frame) || IsIconic(frame))
        return;
    RECT window;
    if (!GetWindowRect(frame, &window))
        return;
    SetConfigInt(ColBoardX, window.left);
    SetConfigInt(ColBoardY, window.top);
}

void OnSize(HWND frame, WPARAM sizeType)
{
    if (sizeType == SIZE_MINIMIZED)
        return;
    RECT window;
    GetWindowRect(frame, &window);
    const int width = Width(window);
    const int height = Height(window);
    if (sizeType == SIZE_RESTORED) {
        SetConfigInt(ColBoardWidth, width);
        SetConfigInt(ColBoardHeight, height);
    }

    const BoardWindowState* state = BoardStateOf(frame);
    if (!state)
        return;
    // The rebar keeps the height its band needs, whatever it is asked for.
    if (state->rebarWindow)
        MoveWindow(state->rebarWindow, 0, 0, width, height, TRUE);

    RECT client;
    GetClientRect(frame, &client);
    const int rebarHeight = RebarHeight(state);
    int canvasHeight = client.bottom - (client.top + rebarHeight);
    if (canvasHeight < 0)
        canvasHeight = 0;
    if (state->canvasWindow)
        MoveWindow(state->canvasWindow, client.left, client.top + rebarHeight, Width(client), canvasHeight, TRUE);
}

// Keeps a border drag from making the frame larger than the whole picture
// with its scroll bars and the rebar needs.
void OnSizing(HWND frame, WPARAM edge, RECT* proposed)
{
    RECT window, client;
    GetWindowRect(frame, &window);
    GetClientRect(frame, &client);
    const int frameWidth = Width(window) - Width(client);
    const int frameHeight = Height(window) - Height(client);
    const int maxWidth = frameWidth + VerticalScrollBarWidth + PictureWidth;
    const int maxHeight = RebarHeight(BoardStateOf(frame)) + frameHeight + HorizontalScrollBarHeight + PictureHeight;

    if (Height(*proposed) > maxHeight) {
        switch (edge) {
        case WMSZ_LEFT:
        case WMSZ_RIGHT:
        case WMSZ_BOTTOM:
        case WMSZ_BOTTOMLEFT:
        case WMSZ_BOTTOMRIGHT:
            proposed->bottom = proposed->top + maxHeight;
            break;
        case WMSZ_TOP:
        case WMSZ_TOPLEFT:
        case WMSZ_TOPRIGHT:
            proposed->top = proposed->bottom - maxHeight;
            break;
        }
    }
    if (Width(*proposed) > maxWidth) {
        switch (edge) {
        case WMSZ_LEFT:
        case WMSZ_TOPLEFT:
        case WMSZ_BOTTOMLEFT:
            proposed->left = proposed->right - maxWidth;
            break;
        case WMSZ_RIGHT:
        case WMSZ_TOPRIGHT:
        case WMSZ_BOTTOMRIGHT:
            proposed->right = proposed->left + maxWidth;
            break;
        }
    }
}

void OnCommand(HWND frame, WPARAM wParam, LPARAM lParam)
{
    BoardWindowState* state = BoardStateOf(frame);
    if (!state)
        return;
    switch (LOWORD(wParam)) {
    case CmdToolLine:
        state->tool = ToolLine;
        break;
    case CmdToolFreehand:
        state->tool = ToolFreehand;
        break;
    case CmdToolRectangle:
        state->tool = ToolRectangle;
        break;
    case CmdToolEllipse:
        state->tool = ToolEllipse;
        break;
    }
    UpdateWindow(frame);
    if (state->canvasWindow)
        SendMessageA(state->canvasWindow, WM_COMMAND, wParam, lParam);
}

LRESULT OnNotify(HWND frame, const NMHDR* header)
{
    if (!header)
        return 0;
    switch (header->code) {
    case RBN_BEGINDRAG:
        return 1;  // the band stays where it is
    case TBN_DROPDOWN:
        return OpenColorMenu(frame, reinterpret_cast<const NMTOOLBARA*>(header));
    default:
        return 0;
    }
}

LRESULT CALLBACK BoardFrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(frame, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    case WM_DESTROY:
        return OnDestroy(frame, wParam, lParam);
    case WM_MOVE:
        OnMove(frame);
        return 0;
    case WM_SIZE:
        OnSize(frame, wParam);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0)
            UpdateWindow(frame);
        return 0;
    case WM_CLOSE:
        OnClose(frame);
        return 0;
    case WM_DRAWITEM:
        return DrawColorMenuItem(wParam, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_MEASUREITEM:
        return MeasureColorMenuItem(wParam, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    case WM_NOTIFY:
        return OnNotify(frame, reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
        OnCommand(frame, wParam, lParam);
        return 0;
    case WM_SIZING:
        OnSizing(frame, wParam, reinterpret_cast<RECT*>(lParam));
        return 1;
    case MsgSetPenColor:
    case MsgSetFillColor:
        return ApplyColorChoice(frame, message, wParam);
    default:
        return DefWindowProcA(frame, message, wParam, lParam);
    }
}

}  // namespace

void RegisterBoardFrameClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = BoardFrameProc;
    windowClass.hInstance = instance;
    windowClass.hIcon =
        static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(101), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(101), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
    windowClass.lpszClassName = BoardFrameClassName;
    // The class owns its icons; a registration that fails (the class is
    // already there, from an earlier start) must not leave them behind.
    if (!RegisterClassExA(&windowClass)) {
        if (windowClass.hIcon)
            DestroyIcon(windowClass.hIcon);
        if (windowClass.hIconSm)
            DestroyIcon(windowClass.hIconSm);
    }
    BoardModuleInstance = instance;
}
