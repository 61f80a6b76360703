/* The bare baselines of the board rows: plain C windows and bitmaps doing
 * with the fewest platform calls what the board does (board_workload.h has
 * the plan and the work):
 *
 *   memory    N 640x480 bitmaps compatible with the screen, filled white
 *   draw      a drawing request's own GDI sequence: GetDC, a compatible
 *             memory context with the bitmap selected, a new pen (and
 *             brush), the shape, everything restored and deleted, the
 *             context released, the window invalidated without erasing
 *   repaint   a plain window whose WM_PAINT only blits the bitmap, which
 *             stays selected in a memory context of its own meanwhile
 *   preview   the cursor read and two inverted outlines on one context
 *   change    a drawing request's sequence as for draw, of the change
 *             row's shape and pen; a free-hand move: the cursor read and
 *             the segment drawn with a new pen on the window's context and
 *             on the bitmap in a memory context of its own
 *
 * Each "board" is a top-level window with one child showing its picture,
 * so that N boards are N window pairs, as the board's own N frames are. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bench_report.h"
#include "board_workload.h"

static const char Side[] = "baseline";
static const char FrameClass[] = "BenchBareFrame";
static const char PictureClass[] = "BenchBarePicture";

typedef struct Picture {
    HBITMAP bitmap;
    HDC paintDc; /* the bitmap selected for good, while repaints are measured */
    HGDIOBJ paintDcPrevious;
    int dragging;
    int freehandPen; /* free-hand strokes of this pen width; 0: the rectangle preview */
    POINT anchor, current;
} Picture;

typedef struct Board {
    HWND frame, window;
    Picture picture;
} Board;

static HBITMAP CreateWhitePicture(HDC compatibleWith)
{
    HBITMAP bitmap = CreateCompatibleBitmap(compatibleWith, PictureWidth, PictureHeight);
    HDC memory = CreateCompatibleDC(compatibleWith);
    RECT whole = {0, 0, PictureWidth, PictureHeight};
    HGDIOBJ previous = SelectObject(memory, bitmap);
    FillRect(memory, &whole, (HBRUSH)GetStockObject(WHITE_BRUSH));
    SelectObject(memory, previous);
    DeleteDC(memory);
    return bitmap;
}

static void Paint(HWND window, Picture* picture)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (picture->paintDc) {
        BitBlt(dc, 0, 0, PictureWidth, PictureHeight, picture->paintDc, 0, 0, SRCCOPY);
    } else {
        /* Paints outside the measurement (the first show, the end of a
         * drag) need a context of their own. */
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(memory, picture->bitmap);
        BitBlt(dc, 0, 0, PictureWidth, PictureHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    EndPaint(window, &paint);
}

/* Both outlines of one move on one context: the old one inverted away,
 * the new one inverted in. */
static void MovePreview(HWND window, Picture* picture, POINT mouse)
{
    HDC dc = GetDC(window);
    int previousMix = SetROP2(dc, R2_NOT);
    HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, picture->anchor.x, picture->anchor.y, picture->current.x, picture->current.y);
    picture->current = mouse;
    Rectangle(dc, picture->anchor.x, picture->anchor.y, picture->current.x, picture->current.y);
    SelectObject(dc, previousBrush);
    SetROP2(dc, previousMix);
    ReleaseDC(window, dc);
}

/* A segment with a new solid pen on `dc`. */
static void DrawPenLine(HDC dc, POINT from, POINT to, int width)
{
    HPEN pen = CreatePen(PS_SOLID, width, WORK_PEN_COLOR);
    HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, from.x, from.y, NULL);
    LineTo(dc, to.x, to.y);
    SelectObject(dc, previous);
    DeleteObject(pen);
}

/* A free-hand segment from the anchor to `mouse`, on the screen and in the
 * picture; the mouse becomes the anchor. */
static void DrawFreehandSegment(HWND window, Picture* picture, POINT mouse)
{
    HDC windowDc = GetDC(window);
    HDC memory;
    HGDIOBJ previous;
    DrawPenLine(windowDc, picture->anchor, mouse, picture->freehandPen);
    memory = CreateCompatibleDC(windowDc);
    previous = SelectObject(memory, picture->bitmap);
    DrawPenLine(memory, picture->anchor, mouse, picture->freehandPen);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(window, windowDc);
    picture->anchor = picture->current = mouse;
}

static LRESULT CALLBACK PictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Picture* picture = (Picture*)GetWindowLongPtrA(window, GWLP_USERDATA);
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrA(window, GWLP_USERDATA, (LONG_PTR)((CREATESTRUCTA*)lParam)->lpCreateParams);
        break;
    case WM_PAINT:
        if (!picture)
            break;
        Paint(window, picture);
        return 0;
    case WM_LBUTTONDOWN:
        picture->anchor.x = picture->current.x = (short)LOWORD(lParam);
        picture->anchor.y = picture->current.y = (short)HIWORD(lParam);
        picture->dragging = 1;
        SetCapture(window);
        if (picture->freehandPen)
            DrawFreehandSegment(window, picture, picture->anchor);
        return 0;
    case WM_MOUSEMOVE: {
        POINT mouse;
        GetCursorPos(&mouse);
        ScreenToClient(window, &mouse);
        if (picture->dragging && (wParam & MK_LBUTTON)) {
            if (picture->freehandPen)
                DrawFreehandSegment(window, picture, mouse);
            else
                MovePreview(window, picture, mouse);
        }
        return 0;
    }
    case WM_LBUTTONUP:
        if (picture->dragging) {
            ReleaseCapture();
            picture->dragging = 0;
            InvalidateRect(window, NULL, FALSE);
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static void RegisterClasses(void)
{
    WNDCLASSEXA frame, picture;
    memset(&frame, 0, sizeof frame);
    frame.cbSize = sizeof frame;
    frame.lpfnWndProc = DefWindowProcA;
    frame.hInstance = GetModuleHandleA(NULL);
    frame.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
    frame.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    frame.lpszClassName = FrameClass;
    RegisterClassExA(&frame);
    memset(&picture, 0, sizeof picture);
    picture.cbSize = sizeof picture;
    picture.style = CS_HREDRAW | CS_VREDRAW;
    picture.lpfnWndProc = PictureProc;
    picture.hInstance = GetModuleHandleA(NULL);
    picture.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32515) /* IDC_CROSS */);
    picture.lpszClassName = PictureClass;
    RegisterClassExA(&picture);
}

static int OpenBoard(Board* board)
{
    HDC dc;
    memset(board, 0, sizeof *board);
    board->frame = CreateWindowExA(0, FrameClass, "Bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, WorkFrameX, WorkFrameY,
                                   WorkFrameWidth, WorkFrameHeight, NULL, NULL, GetModuleHandleA(NULL), NULL);
    if (!board->frame)
        return 0;
    board->window = CreateWindowExA(0, PictureClass, NULL, WS_CHILD | WS_VISIBLE, 0, 0, PictureWidth, PictureHeight,
                                    board->frame, NULL, GetModuleHandleA(NULL), &board->picture);
    if (!board->window)
        return 0;
    dc = GetDC(board->window);
    board->picture.bitmap = CreateWhitePicture(dc);
    ReleaseDC(board->window, dc);
    PumpMessages();
    return board->picture.bitmap != NULL;
}

static void CloseBoard(Board* board)
{
    DestroyWindow(board->frame);
    DeleteObject(board->picture.bitmap);
    PumpMessages();
}

/* The drawing request's GDI sequence, nothing more. */
static void DrawShapeWithPen(Board* board, WorkShape shape, int penWidth)
{
    HDC windowDc = GetDC(board->window);
    HDC memory = CreateCompatibleDC(windowDc);
    HGDIOBJ previousBitmap = SelectObject(memory, board->picture.bitmap);
    HPEN pen = CreatePen(PS_SOLID, penWidth, WORK_PEN_COLOR);
    HGDIOBJ previousPen = SelectObject(memory, pen);
    if (shape.kind == WorkLine) {
        MoveToEx(memory, shape.x1, shape.y1, NULL);
        LineTo(memory, shape.x2, shape.y2);
        SelectObject(memory, previousPen);
        DeleteObject(pen);
    } else {
        HBRUSH brush = CreateSolidBrush(WORK_FILL_COLOR);
        HGDIOBJ previousBrush = SelectObject(memory, brush);
        if (shape.kind == WorkEllipse)
            Ellipse(memory, shape.x1, shape.y1, shape.x2, shape.y2);
        else
            Rectangle(memory, shape.x1, shape.y1, shape.x2, shape.y2);
        SelectObject(memory, previousPen);
        DeleteObject(pen);
        SelectObject(memory, previousBrush);
        DeleteObject(brush);
    }
    SelectObject(memory, previousBitmap);
    DeleteDC(memory);
    ReleaseDC(board->window, windowDc);
    InvalidateRect(board->window, NULL, FALSE);
}

static void DrawShape(Board* board, WorkShape shape)
{
    DrawShapeWithPen(board, shape, WorkPenWidth);
}

static void Row(char* row, size_t size, const char* kind, int count)
{
    snprintf(row, size, "%s:%d", kind, count);
}

static void MeasureDraws(Board* board, int count, int boards)
{
    char row[32];
    double start, wall, cpu;
    int i;
    for (i = 0; i < 30; ++i)
        DrawShape(board, WorkShapeAt(i));
    PumpMessages();
    Row(row, sizeof row, "draw", boards);
    BenchBegin(row, Side);
    cpu = BenchCpuSeconds();
    start = BenchNow();
    for (i = 0; i < count; ++i)
        DrawShape(board, WorkShapeAt(i));
    wall = BenchNow() - start;
    cpu = BenchCpuSeconds() - cpu;
    PumpMessages();
    BenchReport(row, Side, count, wall, cpu, -1);
}

static void MeasureRepaints(Board* board, int count, int boards)
{
    char row[32];
    double start, wall, cpu;
    int i;
    HDC dc = GetDC(board->window);
    board->picture.paintDc = CreateCompatibleDC(dc);
    ReleaseDC(board->window, dc);
    board->picture.paintDcPrevious = SelectObject(board->picture.paintDc, board->picture.bitmap);
    for (i = 0; i < 5; ++i)
        RedrawWindow(board->window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    Row(row, sizeof row, "repaint", boards);
    BenchBegin(row, Side);
    cpu = BenchCpuSeconds();
    start = BenchNow();
    for (i = 0; i < count; ++i)
        RedrawWindow(board->window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    wall = BenchNow() - start;
    cpu = BenchCpuSeconds() - cpu;
    SelectObject(board->picture.paintDc, board->picture.paintDcPrevious);
    DeleteDC(board->picture.paintDc);
    board->picture.paintDc = NULL;
    BenchReport(row, Side, count, wall, cpu, -1);
}

static void SetCursorToClient(HWND window, POINT point)
{
    ClientToScreen(window, &point);
    SetCursorPos(point.x, point.y);
}

/* A mouse move during the drag; answers the seconds the window took over
 * the message (the cursor move before it is not counted, as on the board
 * side). */
static double MoveDuringDrag(HWND window, int i)
{
    POINT point = WorkMoveAt(i);
    double start;
    SetCursorToClient(window, point);
    start = BenchNow();
    SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    return BenchNow() - start;
}

static void MeasurePreview(Board* board, int count, int boards)
{
    char row[32];
    double wall, cpu;
    POINT anchor = {WorkAnchorX, WorkAnchorY};
    int i;
    SetCursorToClient(board->window, anchor);
    SendMessageA(board->window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(anchor.x, anchor.y));
    for (i = 0; i < 10; ++i)
        MoveDuringDrag(board->window, i);
    Row(row, sizeof row, "preview", boards);
    BenchBegin(row, Side);
    cpu = BenchCpuSeconds();
    wall = 0;
    for (i = 0; i < count; ++i)
        wall += MoveDuringDrag(board->window, i);
    cpu = BenchCpuSeconds() - cpu;
    SendMessageA(board->window, WM_LBUTTONUP, 0, MAKELPARAM(anchor.x, anchor.y));
    PumpMessages();
    BenchReport(row, Side, count, wall, cpu, -1);
}

/* Stroke message i (a press before a stroke's first move, a release after
 * its last) as the board side sends it; the seconds the window took. */
static double StrokeMessage(HWND window, int i)
{
    POINT point = WorkStrokePointAt(i);
    LPARAM where = MAKELPARAM(point.x, point.y);
    double start;
    SetCursorToClient(window, point);
    start = BenchNow();
    if (i % WorkStrokeMoves == 0)
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, where);
    SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, where);
    if (i % WorkStrokeMoves == WorkStrokeMoves - 1)
        SendMessageA(window, WM_LBUTTONUP, 0, where);
    return BenchNow() - start;
}

static void MeasureChanges(Board* board, int count)
{
    int r, i;
    for (r = 0; r < WorkChangeRowCount; ++r) {
        const WorkChangeRow* row = &WorkChangeRows[r];
        const int stroke = row->kind == WorkChangeStroke;
        char name[64];
        double wall = 0, cpu;
        snprintf(name, sizeof name, "change-%s", row->name);
        board->picture.freehandPen = stroke ? row->penWidth : 0;
        for (i = 0; i < (stroke ? WorkStrokeMoves : 30); ++i) {
            if (stroke)
                StrokeMessage(board->window, i);
            else
                DrawShapeWithPen(board, WorkChangeShapeAt(row, i), row->penWidth);
        }
        PumpMessages();
        BenchBegin(name, Side);
        cpu = BenchCpuSeconds();
        if (stroke) {
            for (i = 0; i < count; ++i)
                wall += StrokeMessage(board->window, i);
            SendMessageA(board->window, WM_LBUTTONUP, 0, 0);
        } else {
            const double start = BenchNow();
            for (i = 0; i < count; ++i)
                DrawShapeWithPen(board, WorkChangeShapeAt(row, i), row->penWidth);
            wall = BenchNow() - start;
        }
        cpu = BenchCpuSeconds() - cpu;
        PumpMessages();
        BenchReport(name, Side, count, wall, cpu, -1);
    }
    board->picture.freehandPen = 0;
}

/* Memory per picture: after one was made and deleted, as the board side
 * opens and closes a first board before it measures. */
static int MeasureMemory(const WorkPlan* plan)
{
    const int most = plan->boardCounts[plan->boardCountCount - 1];
    HBITMAP* pictures = (HBITMAP*)calloc((size_t)most, sizeof *pictures);
    HDC screen = GetDC(NULL);
    double before;
    int made = 0, c;
    if (!pictures)
        return 0;
    DeleteObject(CreateWhitePicture(screen));
    before = WorkingSetBytes();
    for (c = 0; c < plan->boardCountCount; ++c) {
        char row[32];
        const int count = plan->boardCounts[c];
        while (made < count)
            pictures[made++] = CreateWhitePicture(screen);
        Row(row, sizeof row, "memory", count);
        BenchReport(row, Side, count, 0, 0, (WorkingSetBytes() - before) / count);
    }
    while (made > 0)
        DeleteObject(pictures[--made]);
    ReleaseDC(NULL, screen);
    free(pictures);
    return 1;
}

/* Memory per bare board: the top-level window and its picture window as
 * well as the picture, the least a board of its own window needs. */
static int MeasureWindowMemory(const WorkPlan* plan)
{
    const int most = plan->boardCounts[plan->boardCountCount - 1];
    Board* boards = (Board*)calloc((size_t)most, sizeof *boards);
    double before;
    int opened = 0, c, ok = 1;
    if (!boards)
        return 0;
    ok = OpenBoard(&boards[0]);
    CloseBoard(&boards[0]);
    before = WorkingSetBytes();
    for (c = 0; c < plan->boardCountCount && ok; ++c) {
        char row[32];
        const int count = plan->boardCounts[c];
        while (opened < count && ok)
            ok = OpenBoard(&boards[opened++]);
        Row(row, sizeof row, "memory-windows", count);
        if (ok)
            BenchReport(row, Side, count, 0, 0, (WorkingSetBytes() - before) / count);
    }
    while (opened > 0)
        CloseBoard(&boards[--opened]);
    free(boards);
    return ok;
}

static int MeasureWork(const WorkPlan* plan)
{
    const int most = plan->boardCounts[plan->boardCountCount - 1];
    Board* boards = (Board*)calloc((size_t)most, sizeof *boards);
    int opened = 0, c, ok = 1;
    if (!boards)
        return 0;
    for (c = 0; c < plan->boardCountCount && ok; ++c) {
        const int count = plan->boardCounts[c];
        Board* top;
        while (opened < count && ok)
            ok = OpenBoard(&boards[opened++]);
        if (!ok) {
            fprintf(stderr, "bare_gdi: cannot open a window\n");
            break;
        }
        top = &boards[opened - 1];
        if (!SizeClientToPicture(top->window)) {
            fprintf(stderr, "bare_gdi: the window cannot show the whole picture\n");
            ok = 0;
            break;
        }
        MeasureDraws(top, plan->draws, count);
        MeasureRepaints(top, plan->repaints, count);
        MeasurePreview(top, plan->moves, count);
        if (c == 0 && plan->changes > 0)
            MeasureChanges(top, plan->changes);
    }
    while (opened > 0)
        CloseBoard(&boards[--opened]);
    free(boards);
    return ok;
}

int main(int argc, char** argv)
{
    WorkPlan plan;
    if (!ParseWorkPlan(argc, argv, &plan))
        return 2;
    RegisterClasses();
    return MeasureMemory(&plan) && MeasureWindowMemory(&plan) && MeasureWork(&plan) ? 0 : 1;
}
