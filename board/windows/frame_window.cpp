#include "windows/frame_window.h"

#include <commctrl.h>

#include <new>

#include "common/board_registry.h"
#include "common/board_window_state.h"
#include "common/host_interface.h"
#include "common/kept_quirks.h"
#include "common/module_hold.h"
#include "common/module_instance.h"
#include "controls/board_toolbar.h"
#include "controls/color_menu.h"
#include "oboard/board_ui.h"
#include "resource_ids.h"
#include "windows/canvas_window.h"

namespace {

// The window icon at the sizes of the title bar and of the task switcher.
const int SmallIconSize = 16;
const int LargeIconSize = 32;

// Scroll-bar metrics for the size limit, read again by every new frame.
int gHorizontalScrollBarHeight = 0;  // SM_CYHSCROLL
int gVerticalScrollBarWidth = 0;     // SM_CXVSCROLL

int Width(const RECT& r)
{
    return r.right - r.left;
}
int Height(const RECT& r)
{
    return r.bottom - r.top;
}

// Height of the rebar along the top; a board without one has none.
int RebarHeight(const BoardWindowState& state)
{
    RECT rebar;
    if (!state.rebarWindow || !GetWindowRect(state.rebarWindow, &rebar))
        return 0;
    return Height(rebar);
}

// A new board's record: its key from the two creation words, the user's and
// the requests' attributes at their defaults (black one-pixel pen with the
// outline on, black fill off, the free-hand tool).
BoardWindowState* NewBoardState(const int32_t* creationWords)
{
    BoardWindowState* state = new (std::nothrow) BoardWindowState();
    if (!state)
        return nullptr;
    state->contact = creationWords[0];
    state->net = creationWords[1];
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
    return state;
}

LRESULT OnCreate(HWND frame, const CREATESTRUCTA& creation)
{
    gHorizontalScrollBarHeight = GetSystemMetrics(SM_CYHSCROLL);
    gVerticalScrollBarWidth = GetSystemMetrics(SM_CXVSCROLL);

    // Without its key a frame could never leave the registry: refuse it.
    const int32_t* words = static_cast<const int32_t*>(creation.lpCreateParams);
    if (!words)
        return -1;
    BoardWindowState* state = NewBoardState(words);
    if (!state)
        return -1;
    // Before any child exists: the children find the record from here on.
    SetWindowLongPtrA(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));

    DeleteMenu(GetSystemMenu(frame, FALSE), SC_MAXIMIZE, MF_BYCOMMAND);

    // Its real size comes with the frame's first WM_SIZE.
    state->canvasWindow = CreateWindowExA(0, CanvasClassName, nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL,
                                          0, 0, 0, 0, frame, nullptr, gBoardModuleInstance, nullptr);

    state->rebarWindow = CreateBoardRebar(frame);
    if (!state->rebarWindow)
        ShowFailureBox(RebarFailedBoxText);
    return 0;
}

void OnDestroy(HWND frame, BoardWindowState* state)
{
    SetWindowLongPtrA(frame, GWLP_USERDATA, 0);
    // The children get their WM_DESTROY after the record is gone, so the
    // board's picture and any drag on it end here.
    ReleaseBoardCanvas(state);
    // A frame destroyed without WM_CLOSE must not leave its entry behind.
    ForgetBoardWindow(BoardKey {state->net, state->contact}, frame);
    delete state;
}

void OnClose(HWND frame, const BoardWindowState& state)
{
    ForgetBoardWindow(BoardKey {state.net, state.contact}, frame);
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

void OnSize(HWND frame, UINT sizeType)
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

    // The settings writes reach the host, which may have closed the board.
    const BoardWindowState* state = BoardStateOf(frame);
    if (!state)
        return;
    // The rebar keeps the height its band needs, whatever it is asked for.
    if (state->rebarWindow)
        MoveWindow(state->rebarWindow, 0, 0, width, height, TRUE);

    RECT client;
    GetClientRect(frame, &client);
    const int rebarHeight = RebarHeight(*state);
    int canvasHeight = client.bottom - (client.top + rebarHeight);
    if (canvasHeight < 0)
        canvasHeight = 0;
    if (state->canvasWindow)
        MoveWindow(state->canvasWindow, client.left, client.top + rebarHeight, Width(client), canvasHeight, TRUE);
}

// Keeps a border drag from making the frame larger than the whole picture
// with its scroll bars and the rebar needs.
void OnSizing(HWND frame, const BoardWindowState& state, UINT edge, RECT& proposed)
{
    RECT window, client;
    GetWindowRect(frame, &window);
    GetClientRect(frame, &client);
    const int frameWidth = Width(window) - Width(client);
    const int frameHeight = Height(window) - Height(client);
    const int maxWidth = frameWidth + gVerticalScrollBarWidth + PictureWidth;
    const int maxHeight = RebarHeight(state) + frameHeight + gHorizontalScrollBarHeight + PictureHeight;

    if (Height(proposed) > maxHeight) {
        switch (edge) {
        case WMSZ_LEFT:
        case WMSZ_RIGHT:
        case WMSZ_BOTTOM:
        case WMSZ_BOTTOMLEFT:
        case WMSZ_BOTTOMRIGHT:
            proposed.bottom = proposed.top + maxHeight;
            break;
        case WMSZ_TOP:
        case WMSZ_TOPLEFT:
        case WMSZ_TOPRIGHT:
            proposed.top = proposed.bottom - maxHeight;
            break;
        }
    }
    if (Width(proposed) > maxWidth) {
        switch (edge) {
        case WMSZ_LEFT:
        case WMSZ_TOPLEFT:
        case WMSZ_BOTTOMLEFT:
            proposed.left = proposed.right - maxWidth;
            break;
        case WMSZ_RIGHT:
        case WMSZ_TOPRIGHT:
        case WMSZ_BOTTOMRIGHT:
            proposed.right = proposed.left + maxWidth;
            break;
        }
    }
}

void OnActivate(HWND frame, const BoardWindowState& state, UINT activation, bool minimized)
{
    if (activation == WA_INACTIVE || minimized)
        return;
    UpdateWindow(frame);
    // The canvas's keys (undo, copy, ...) work as soon as the board is
    // active, without a click on the canvas first.
    if (state.canvasWindow)
        SetFocus(state.canvasWindow);
}

// A tool button sets the tool; every command, the clear button's among
// them, then reaches the canvas as it came.
void OnCommand(HWND frame, BoardWindowState& state, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case CmdToolLine:
        state.tool = ToolLine;
        break;
    case CmdToolFreehand:
        state.tool = ToolFreehand;
        break;
    case CmdToolRectangle:
        state.tool = ToolRectangle;
        break;
    case CmdToolEllipse:
        state.tool = ToolEllipse;
        break;
    }
    UpdateWindow(frame);
    if (state.canvasWindow)
        SendMessageA(state.canvasWindow, WM_COMMAND, wParam, lParam);
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
    ModuleEntry entry;
    BoardWindowState* state = BoardStateOf(frame);
    if (!state && message != WM_CREATE)
        return DefWindowProcA(frame, message, wParam, lParam);

    switch (message) {
    case WM_CREATE:
        return OnCreate(frame, *reinterpret_cast<const CREATESTRUCTA*>(lParam));
    case WM_DESTROY:
        OnDestroy(frame, state);
        return DefWindowProcA(frame, message, wParam, lParam);
    case WM_MOVE:
        OnMove(frame);
        return 0;
    case WM_SIZE:
        OnSize(frame, static_cast<UINT>(wParam));
        return 0;
    case WM_ACTIVATE:
        OnActivate(frame, *state, LOWORD(wParam), HIWORD(wParam) != 0);
        return 0;
    case WM_CLOSE:
        OnClose(frame, *state);
        return 0;
    case WM_DRAWITEM:
        return DrawColorMenuItem(static_cast<UINT>(wParam), reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_MEASUREITEM:
        return MeasureColorMenuItem(static_cast<UINT>(wParam), reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    case WM_NOTIFY:
        return OnNotify(frame, reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
        OnCommand(frame, *state, wParam, lParam);
        return 0;
    case WM_SIZING:
        OnSizing(frame, *state, static_cast<UINT>(wParam), *reinterpret_cast<RECT*>(lParam));
        return 1;
    case MsgSetPenColor:
        return ApplyColorChoice(frame, *state, ColorTarget::Pen, static_cast<UINT>(wParam));
    case MsgSetFillColor:
        return ApplyColorChoice(frame, *state, ColorTarget::Fill, static_cast<UINT>(wParam));
    default:
        return DefWindowProcA(frame, message, wParam, lParam);
    }
}

}  // namespace

void RegisterBoardFrameClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = BoardFrameProc;
    windowClass.hIcon = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_BOARD), IMAGE_ICON, LargeIconSize, LargeIconSize, LR_DEFAULTCOLOR));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_BOARD), IMAGE_ICON, SmallIconSize, SmallIconSize, LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = BoardFrameClassName;
    // The class owns its icons; a registration that fails (the class is
    // already there, from an earlier start) must not leave them behind.
    if (!RegisterBoardWindowClass(windowClass, instance)) {
        if (windowClass.hIcon)
            DestroyIcon(windowClass.hIcon);
        if (windowClass.hIconSm)
            DestroyIcon(windowClass.hIconSm);
    }
}
