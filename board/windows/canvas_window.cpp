#include "canvas_window.h"

#include <windowsx.h>

#include "board_window_state.h"
#include "canvas_drawing.h"
#include "module_instance.h"

#include "../controls/board_toolbar.h"

const char CanvasClassName[] = "oknorysowania";

CanvasDragRecord CanvasDrag = {};

namespace {

const int LineStep = 10;
const int PageStep = 100;

// The canvas keeps no state: its board's record lives in the frame's slot.
BoardWindowState* BoardOfCanvas(HWND canvas)
{
    return BoardStateOf(GetParent(canvas));
}

POINT ScrollOffset(HWND canvas)
{
    POINT offset = {GetScrollPos(canvas, SB_HORZ), GetScrollPos(canvas, SB_VERT)};
    return offset;
}

void FillPictureWhite(HWND canvas, HBITMAP picture)
{
    PictureContext context(canvas, picture);
    if (!context.Dc())
        return;
    RECT whole = {0, 0, PictureWidth, PictureHeight};
    FillRect(context.Dc(), &whole, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

void OnCreate(HWND canvas)
{
    CanvasDrag.board = nullptr;
    BoardWindowState* board = BoardOfCanvas(canvas);
    if (!board)
        return;
    HDC dc = GetDC(canvas);
    board->canvasBitmap = CreateCompatibleBitmap(dc, PictureWidth, PictureHeight);
    ReleaseDC(canvas, dc);
    FillPictureWhite(canvas, board->canvasBitmap);
}

// The bar of one axis after a resize: range 0..maximum, page = client extent.
// A bar that is not needed stays visible, disabled.
void UpdateScrollBar(HWND canvas, BoardWindowState* board, int bar, uint32_t flag, int maximum, int page)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = maximum;
    info.nPage = page;
    if ((board->scrollFlags & flag) && page <= maximum) {
        SetScrollInfo(canvas, bar, &info, FALSE);
    } else {
        board->scrollFlags &= ~flag;
        SetScrollInfo(canvas, bar, &info, TRUE);
    }
}

void OnSize(HWND canvas, WPARAM sizeType)
{
    if (sizeType == SIZE_MINIMIZED)
        return;
    BoardWindowState* board = BoardOfCanvas(canvas);
    if (!board)
        return;
    RECT client;
    GetClientRect(canvas, &client);
    UpdateScrollBar(canvas, board, SB_VERT, 2, PictureHeight - 1, client.bottom);
    UpdateScrollBar(canvas, board, SB_HORZ, 1, PictureWidth - 1, client.right);
}

// The whole client area from the scroll position. Where the window reaches
// beyond the picture's right or bottom edge, it shows the workspace colour
// rather than whatever lies outside the bitmap.
void OnPaint(HWND canvas)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(canvas, &paint);
    RECT client;
    GetClientRect(canvas, &client);
    const POINT offset = ScrollOffset(canvas);
    const BoardWindowState* board = BoardOfCanvas(canvas);
    HBITMAP picture = board ? board->canvasBitmap : nullptr;

    int shownWidth = 0, shownHeight = 0;
    HDC memory = picture ? CreateCompatibleDC(dc) : nullptr;
    if (memory) {
        HGDIOBJ previous = SelectObject(memory, picture);
        if (previous) {
            BitBlt(dc, client.left, client.top, client.right - client.left, client.bottom - client.top, memory,
                   offset.x, offset.y, SRCCOPY);
            shownWidth = PictureWidth - offset.x;
            shownHeight = PictureHeight - offset.y;
            SelectObject(memory, previous);
        }
        DeleteDC(memory);
    }
    HBRUSH beyond = GetSysColorBrush(COLOR_APPWORKSPACE);
    if (shownWidth < client.right) {
        RECT right = {shownWidth > 0 ? shownWidth : 0, 0, client.right, client.bottom};
        FillRect(dc, &right, beyond);
    }
    if (shownHeight < client.bottom) {
        RECT below = {0, shownHeight > 0 ? shownHeight : 0, client.right, client.bottom};
        FillRect(dc, &below, beyond);
    }
    EndPaint(canvas, &paint);
}

void OnScroll(HWND canvas, int bar, WPARAM wParam)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS | SIF_RANGE;
    GetScrollInfo(canvas, bar, &info);
    const int maximum = info.nMax;
    int position = info.nPos;
    switch (LOWORD(wParam)) {
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
        position = HIWORD(wParam);
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

void OnCommand(HWND canvas, WPARAM wParam)
{
    if (LOWORD(wParam) == CmdClear) {
        const BoardWindowState* board = BoardOfCanvas(canvas);
        if (board)
            FillPictureWhite(canvas, board->canvasBitmap);
        InvalidateRect(canvas, nullptr, TRUE);
    }
    // Any command drops a stroke in progress; the capture stays until the
    // button is released.
    CanvasDrag.board = nullptr;
    UpdateWindow(canvas);
    InvalidateRect(canvas, nullptr, TRUE);
}

bool IsShapeTool(int32_t tool)
{
    return tool == ToolLine || tool == ToolRectangle || tool == ToolEllipse;
}

void InvertPreview(HWND canvas, int32_t tool)
{
    const CanvasDragRecord& d = CanvasDrag;
    if (tool == ToolLine)
        InvertLine(canvas, d.anchorX, d.anchorY, d.currentX, d.currentY);
    else if (tool == ToolRectangle)
        InvertRectangle(canvas, d.anchorX, d.anchorY, d.currentX, d.currentY);
    else if (tool == ToolEllipse)
        InvertEllipse(canvas, d.anchorX, d.anchorY, d.currentX, d.currentY);
}

// A free-hand segment from the anchor to the current point, on screen in
// client coordinates and in the picture in picture coordinates.
void DrawFreehandSegment(HWND canvas, const BoardWindowState* board)
{
    const CanvasDragRecord& d = CanvasDrag;
    const POINT offset = ScrollOffset(canvas);
    HDC dc = GetDC(canvas);
    DrawPenLine(dc, d.anchorX, d.anchorY, d.currentX, d.currentY, board->penWidth, board->penColor);
    ReleaseDC(canvas, dc);
    PictureContext picture(canvas, board->canvasBitmap);
    DrawPictureLine(picture.Dc(), d.anchorX + offset.x, d.anchorY + offset.y, d.currentX + offset.x,
                    d.currentY + offset.y, board->penWidth, board->penColor);
}

// The drag belongs to this canvas only if it draws on this canvas's board.
bool DragIsOn(HWND canvas)
{
    return CanvasDrag.board && CanvasDrag.board == BoardOfCanvas(canvas);
}

void OnLeftButtonDown(HWND canvas, LPARAM lParam)
{
    BoardWindowState* board = BoardOfCanvas(canvas);
    if (!board)
        return;
    // Signed words: a press that reaches this canvas while it holds the
    // capture can lie left of or above it, and must not anchor the stroke
    // some 65000 pixels away.
    CanvasDrag.anchorX = CanvasDrag.currentX = GET_X_LPARAM(lParam);
    CanvasDrag.anchorY = CanvasDrag.currentY = GET_Y_LPARAM(lParam);
    CanvasDrag.board = board;
    SetCapture(canvas);
    // Shapes start as a preview of zero size: nothing to show yet.
    if (board->tool == ToolFreehand)
        DrawFreehandSegment(canvas, board);
}

void OnMouseMove(HWND canvas, WPARAM wParam)
{
    // While captured the mouse may lie outside the client area, so the
    // position comes from the cursor, with negative coordinates if need be.
    POINT mouse;
    GetCursorPos(&mouse);
    ScreenToClient(canvas, &mouse);
    if (!DragIsOn(canvas) || !(wParam & MK_LBUTTON))
        return;
    const BoardWindowState* board = CanvasDrag.board;
    if (IsShapeTool(board->tool))
        InvertPreview(canvas, board->tool);
    CanvasDrag.currentX = mouse.x;
    CanvasDrag.currentY = mouse.y;
    if (board->tool == ToolFreehand) {
        DrawFreehandSegment(canvas, board);
        CanvasDrag.anchorX = CanvasDrag.currentX;
        CanvasDrag.anchorY = CanvasDrag.currentY;
    } else {
        InvertPreview(canvas, board->tool);
    }
}

// The committed shape goes to the picture only, with the board's pen and
// fill; the repaint brings it to the screen.
void CommitShape(HWND canvas, const BoardWindowState* board)
{
    const CanvasDragRecord& d = CanvasDrag;
    const POINT offset = ScrollOffset(canvas);
    const int x1 = d.anchorX + offset.x, y1 = d.anchorY + offset.y;
    const int x2 = d.currentX + offset.x, y2 = d.currentY + offset.y;
    PictureContext picture(canvas, board->canvasBitmap);
    HDC dc = picture.Dc();
    if (!dc)
        return;
    if (board->tool == ToolLine) {
        // Lines always use the pen, whatever penEnabled says.
        DrawPictureLine(dc, x1, y1, x2, y2, board->penWidth, board->penColor);
        return;
    }
    const ShapeStyle style = {board->penEnabled != 0, board->penWidth, board->penColor, board->fillEnabled != 0,
                              board->fillColor};
    DrawPictureShape(dc, board->tool == ToolRectangle ? PictureShape::Rectangle : PictureShape::Ellipse, x1, y1, x2, y2,
                     style);
}

void OnLeftButtonUp(HWND canvas)
{
    if (!DragIsOn(canvas)) {
        // A command may have dropped the stroke while the button was down:
        // the capture it kept ends with the button, or every later click on
        // this thread's windows would land on this canvas.
        if (!CanvasDrag.board && GetCapture() == canvas)
            ReleaseCapture();
        return;
    }
    ReleaseCapture();
    const BoardWindowState* board = CanvasDrag.board;
    if (IsShapeTool(board->tool)) {
        InvertPreview(canvas, board->tool);
        CommitShape(canvas, board);
    }
    CanvasDrag.board = nullptr;
    InvalidateRect(canvas, nullptr, FALSE);
}

void OnDestroy(HWND canvas)
{
    // Reached with the record only when the canvas goes before its frame.
    BoardWindowState* board = BoardOfCanvas(canvas);
    if (board && board->canvasWindow == canvas)
        board->canvasWindow = nullptr;
    if (CanvasDrag.board && CanvasDrag.board == board)
        CanvasDrag.board = nullptr;
}

void OnClose(HWND canvas)
{
    BoardWindowState* board = BoardOfCanvas(canvas);
    if (board)
        ReleaseBoardCanvas(board);
    DestroyWindow(canvas);
}

LRESULT CALLBACK CanvasProc(HWND canvas, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(canvas);
        return 0;
    case WM_SIZE:
        OnSize(canvas, wParam);
        return 0;
    case WM_PAINT:
        OnPaint(canvas);
        return 0;
    case WM_HSCROLL:
        OnScroll(canvas, SB_HORZ, wParam);
        return 0;
    case WM_VSCROLL:
        OnScroll(canvas, SB_VERT, wParam);
        return 0;
    case WM_COMMAND:
        OnCommand(canvas, wParam);
        return 0;
    case WM_LBUTTONDOWN:
        OnLeftButtonDown(canvas, lParam);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(canvas, wParam);
        return 0;
    case WM_LBUTTONUP:
        OnLeftButtonUp(canvas);
        return 0;
    case WM_MOUSELEAVE:
        return 0;
    case WM_DESTROY:
        OnDestroy(canvas);
        return 0;
    case WM_CLOSE:
        OnClose(canvas);
        return 0;
    default:
        return DefWindowProcA(canvas, message, wParam, lParam);
    }
}

}  // namespace

void RegisterCanvasClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = CanvasProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32515) /* IDC_CROSS */);
    windowClass.lpszClassName = CanvasClassName;
    RegisterClassExA(&windowClass);
    BoardModuleInstance = instance;
}

void ReleaseBoardCanvas(BoardWindowState* board)
{
    if (CanvasDrag.board == board)
        CanvasDrag.board = nullptr;
    if (board->canvasBitmap) {
        DeleteObject(board->canvasBitmap);
        board->canvasBitmap = nullptr;
    }
}
