#include "windows/canvas_window.h"

#include <windowsx.h>

#include "common/board_window_state.h"
#include "common/module_hold.h"
#include "common/module_instance.h"
#include "oboard/board_ui.h"
#include "picture/picture_change.h"
#include "picture/picture_history.h"
#include "windows/canvas_menu.h"
#include "windows/drag_preview.h"

CanvasDrag gCanvasDrag = {};

namespace {

const int LineStep = 10;
const int PageStep = 100;

POINT ScrollOffset(HWND canvas)
{
    POINT offset = {GetScrollPos(canvas, SB_HORZ), GetScrollPos(canvas, SB_VERT)};
    return offset;
}

const RECT WholePicture = {0, 0, PictureWidth, PictureHeight};

void FillWhite(HDC picture)
{
    FillRect(picture, &WholePicture, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

// A new board's white picture: nothing to undo yet.
void FillPictureWhite(HWND canvas, HBITMAP picture)
{
    PictureContext context(canvas, picture);
    if (context.Dc())
        FillWhite(context.Dc());
}

// The clear button's white picture, which can be undone.
void ClearPicture(HWND canvas, const BoardWindowState& state)
{
    PictureChange change(state, canvas, RegionOfRect(WholePicture), PictureStepKind::OwnStep);
    if (change.Dc())
        FillWhite(change.Dc());
}

// The drag from its anchor to its current point, in client coordinates, or
// moved by `offset` into picture coordinates.
PictureSegment DragSegment(POINT offset = POINT {0, 0})
{
    return PictureSegment {gCanvasDrag.anchorX + offset.x, gCanvasDrag.anchorY + offset.y,
                           gCanvasDrag.currentX + offset.x, gCanvasDrag.currentY + offset.y};
}

// The drag belongs to this canvas only if it draws on this canvas's board.
bool DragIsOn(const BoardWindowState& state)
{
    return gCanvasDrag.board && gCanvasDrag.board == &state;
}

// The picture is made here, inside the frame's WM_CREATE, whose record is
// already there (a canvas outside a board gets none).
void OnCreate(HWND canvas, BoardWindowState* state)
{
    gCanvasDrag.board = nullptr;
    if (!state)
        return;
    HDC dc = GetDC(canvas);
    state->canvasBitmap = CreateCompatibleBitmap(dc, PictureWidth, PictureHeight);
    ReleaseDC(canvas, dc);
    FillPictureWhite(canvas, state->canvasBitmap);
}

// The bar of one axis after a resize: range 0..maximum, page = client extent.
// A bar that is not needed stays visible, disabled.
void UpdateScrollBar(HWND canvas, BoardWindowState& state, int bar, uint32_t flag, int maximum, int page)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = maximum;
    info.nPage = page;
    if ((state.scrollFlags & flag) && page <= maximum) {
        SetScrollInfo(canvas, bar, &info, FALSE);
    } else {
        state.scrollFlags &= ~flag;
        SetScrollInfo(canvas, bar, &info, TRUE);
    }
}

void OnSize(HWND canvas, BoardWindowState& state, UINT sizeType)
{
    if (sizeType == SIZE_MINIMIZED)
        return;
    RECT client;
    GetClientRect(canvas, &client);
    UpdateScrollBar(canvas, state, SB_VERT, ScrollFlagVertical, PictureHeight - 1, client.bottom);
    UpdateScrollBar(canvas, state, SB_HORZ, ScrollFlagHorizontal, PictureWidth - 1, client.right);
}

// The part `area` of the client area, with the picture shown from the
// scroll position `offset`. Where the window reaches beyond the picture's
// right or bottom edge, it shows the workspace colour rather than whatever
// lies outside the bitmap.
void PaintContent(HDC dc, HBITMAP picture, const RECT& area, POINT offset)
{
    RECT shown = {0, 0, 0, 0};
    HDC memory = picture ? CreateCompatibleDC(dc) : nullptr;
    if (memory) {
        HGDIOBJ previous = SelectObject(memory, picture);
        const RECT whole = {0, 0, PictureWidth - offset.x, PictureHeight - offset.y};
        if (previous && IntersectRect(&shown, &area, &whole))
            BitBlt(dc, shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top, memory,
                   shown.left + offset.x, shown.top + offset.y, SRCCOPY);
        if (previous) {
            shown = whole;
            SelectObject(memory, previous);
        }
        DeleteDC(memory);
    }
    HBRUSH beyond = GetSysColorBrush(COLOR_APPWORKSPACE);
    const int shownRight = shown.right > 0 ? shown.right : 0;
    const int shownBottom = shown.bottom > 0 ? shown.bottom : 0;
    if (shownRight < area.right) {
        RECT right = {shownRight > area.left ? shownRight : area.left, area.top, area.right, area.bottom};
        FillRect(dc, &right, beyond);
    }
    if (shownBottom < area.bottom) {
        RECT below = {area.left, shownBottom > area.top ? shownBottom : area.top, area.right, area.bottom};
        FillRect(dc, &below, beyond);
    }
}

// Only the invalid part is copied: outside it the paint context is clipped
// anyway, and a small change (a stroke, a request) need not copy the whole
// picture again.
void OnPaint(HWND canvas, const BoardWindowState& state)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(canvas, &paint);
    RECT client, area;
    GetClientRect(canvas, &client);
    if (IntersectRect(&area, &paint.rcPaint, &client))
        PaintContent(dc, state.canvasBitmap, area, ScrollOffset(canvas));
    EndPaint(canvas, &paint);
}

void OnScroll(HWND canvas, int bar, UINT code, int thumbPosition)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS | SIF_RANGE;
    GetScrollInfo(canvas, bar, &info);
    const int maximum = info.nMax;
    int position = info.nPos;
    switch (code) {
    case SB_LINEUP:
        position -= LineStep;
        break;
    case SB_LINEDOWN:
        position += LineStep;
        break;
    case SB_PAGEUP:
        position -= PageStep;
        break;
    case SB_PAGEDOWN:
        position += PageStep;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        position = thumbPosition;
        break;
    case SB_TOP:
        position = 0;
        break;
    case SB_BOTTOM:
        position = maximum;
        break;
    default:
        break;
    }
    if (position < 0)
        position = 0;
    if (position > maximum)
        position = maximum;
    // The bar itself keeps the position within maximum + 1 - page.
    SetScrollPos(canvas, bar, position, TRUE);
    InvalidateRect(canvas, nullptr, TRUE);
}

void OnCommand(HWND canvas, const BoardWindowState& state, int command)
{
    if (command == CmdClear) {
        ClearPicture(canvas, state);
        InvalidateRect(canvas, nullptr, TRUE);
    }
    // Any command drops a stroke in progress; the capture stays until the
    // button is released.
    gCanvasDrag.board = nullptr;
    // Saving returns from a modal dialog, after which the board may be gone.
    if (IsPictureCommand(command) && !RunPictureCommand(canvas, command))
        return;
    UpdateWindow(canvas);
    InvalidateRect(canvas, nullptr, TRUE);
}

// A free-hand segment from the anchor to the current point, on screen and
// in the picture.
void DrawFreehandSegment(HWND canvas, const BoardWindowState& state)
{
    const POINT offset = ScrollOffset(canvas);
    const ShapeAttributes attributes = UserAttributes(state);
    // The screen takes picture coordinates too, so that the segment is
    // clipped there as it is in the picture.
    HDC dc = GetDC(canvas);
    if (dc) {
        SetViewportOrgEx(dc, -offset.x, -offset.y, nullptr);
        DrawShape(dc, ToolFreehand, DragSegment(offset), attributes);
        ReleaseDC(canvas, dc);
    }
    // The pieces of one drag make one step that can be undone.
    DrawShapeChange(state, canvas, ToolFreehand, DragSegment(offset), attributes, PictureStepKind::StrokePiece);
}

void OnLeftButtonDown(HWND canvas, BoardWindowState& state, int x, int y)
{
    gCanvasDrag.anchorX = gCanvasDrag.currentX = x;
    gCanvasDrag.anchorY = gCanvasDrag.currentY = y;
    gCanvasDrag.board = &state;
    SetCapture(canvas);
    // A stroke whose drag was dropped is a step of its own.
    EndPictureStroke(state);
    // Shapes start as a preview of zero size: nothing to show yet.
    if (state.tool == ToolFreehand)
        DrawFreehandSegment(canvas, state);
}

void OnMouseMove(HWND canvas, const BoardWindowState& state, bool leftButtonDown)
{
    // While captured the mouse may lie outside the client area, so the
    // position comes from the cursor, with negative coordinates if need be.
    POINT mouse;
    GetCursorPos(&mouse);
    ScreenToClient(canvas, &mouse);
    if (!DragIsOn(state) || !leftButtonDown)
        return;
    const DrawTool tool = static_cast<DrawTool>(state.tool);
    const PictureSegment shown = DragSegment();
    gCanvasDrag.currentX = mouse.x;
    gCanvasDrag.currentY = mouse.y;
    if (tool == ToolFreehand) {
        DrawFreehandSegment(canvas, state);
        gCanvasDrag.anchorX = gCanvasDrag.currentX;
        gCanvasDrag.anchorY = gCanvasDrag.currentY;
    } else {
        // The preview drawn at the last move goes, the new one comes.
        MoveInvertedShape(canvas, tool, shown, DragSegment());
    }
}

// The committed shape goes to the picture only, with the board's pen and
// fill; the repaint brings it to the screen.
void CommitShape(HWND canvas, const BoardWindowState& state)
{
    DrawShapeChange(state, canvas, static_cast<DrawTool>(state.tool), DragSegment(ScrollOffset(canvas)),
                    UserAttributes(state), PictureStepKind::OwnStep);
}

void OnLeftButtonUp(HWND canvas, const BoardWindowState& state)
{
    if (!DragIsOn(state)) {
        // A command may have dropped the stroke while the button was down:
        // the capture it kept ends with the button, or every later click on
        // this thread's windows would land on this canvas.
        if (!gCanvasDrag.board && GetCapture() == canvas)
            ReleaseCapture();
        return;
    }
    ReleaseCapture();
    const DrawTool tool = static_cast<DrawTool>(state.tool);
    if (IsShapeTool(tool)) {
        InvertShape(canvas, tool, DragSegment());
        CommitShape(canvas, state);
    }
    EndPictureStroke(state);
    gCanvasDrag.board = nullptr;
    InvalidateRect(canvas, nullptr, FALSE);
}

// The keys of the context menu's commands reach the canvas clicked on. The
// windows that hear of the focus moving may close the board meanwhile:
// false then.
bool TakeFocus(HWND canvas)
{
    if (GetFocus() != canvas)
        SetFocus(canvas);
    return BoardStateOf(canvas) != nullptr;
}

// Reached with the record only when the canvas goes before its frame.
void OnDestroy(HWND canvas, BoardWindowState& state)
{
    if (state.canvasWindow == canvas)
        state.canvasWindow = nullptr;
    if (DragIsOn(state))
        gCanvasDrag.board = nullptr;
}

void OnClose(HWND canvas, BoardWindowState& state)
{
    ReleaseBoardCanvas(&state);
    DestroyWindow(canvas);
}

LRESULT CALLBACK CanvasProc(HWND canvas, UINT message, WPARAM wParam, LPARAM lParam)
{
    ModuleEntry entry;
    BoardWindowState* state = BoardStateOf(canvas);
    if (!state && message != WM_CREATE)
        return DefWindowProcA(canvas, message, wParam, lParam);

    switch (message) {
    case WM_CREATE:
        OnCreate(canvas, state);
        return 0;
    case WM_SIZE:
        OnSize(canvas, *state, static_cast<UINT>(wParam));
        return 0;
    case WM_PAINT:
        OnPaint(canvas, *state);
        return 0;
    case WM_HSCROLL:
        OnScroll(canvas, SB_HORZ, LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_VSCROLL:
        OnScroll(canvas, SB_VERT, LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_COMMAND:
        OnCommand(canvas, *state, LOWORD(wParam));
        return 0;
    case WM_LBUTTONDOWN:
        if (!TakeFocus(canvas))
            return 0;
        // Signed words: a press that reaches this canvas while it holds the
        // capture can lie left of or above it, and must not anchor the
        // stroke some 65000 pixels away.
        OnLeftButtonDown(canvas, *state, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(canvas, *state, (wParam & MK_LBUTTON) != 0);
        return 0;
    case WM_LBUTTONUP:
        // The stroke ends at the last mouse move, not at lParam.
        OnLeftButtonUp(canvas, *state);
        return 0;
    case WM_RBUTTONDOWN:
        TakeFocus(canvas);
        return DefWindowProcA(canvas, message, wParam, lParam);
    case WM_CONTEXTMENU:
        // From the right button (at the mouse) or the keyboard (lParam -1);
        // over a scroll bar the bar's own menu opens instead.
        if (!OpenCanvasMenu(canvas, *state, lParam))
            return DefWindowProcA(canvas, message, wParam, lParam);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
        if (HandleCanvasKey(canvas, *state, message, static_cast<UINT>(wParam)))
            return 0;
        return DefWindowProcA(canvas, message, wParam, lParam);
    case WM_DESTROY:
        OnDestroy(canvas, *state);
        return 0;
    case WM_CLOSE:
        OnClose(canvas, *state);
        return 0;
    default:
        return DefWindowProcA(canvas, message, wParam, lParam);
    }
}

}  // namespace

void RegisterCanvasClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = CanvasProc;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_CROSS);
    windowClass.lpszClassName = CanvasClassName;
    RegisterBoardWindowClass(windowClass, instance);
}

void ReleaseBoardCanvas(BoardWindowState* state)
{
    if (gCanvasDrag.board == state)
        gCanvasDrag.board = nullptr;
    ForgetPictureHistory(*state);
    if (state->canvasBitmap) {
        DeleteObject(state->canvasBitmap);
        state->canvasBitmap = nullptr;
    }
}
