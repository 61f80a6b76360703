// The board side of the board rows: oboard.dll loaded by the stand-in host,
// driven through its plugin messages and real window messages. The plan and
// the work are those of board_workload.h; bare_gdi.c does the same work on
// plain windows and bitmaps.
#include "stand_in_host.h"

#include <cstdio>
#include <string>
#include <vector>

#include "bench_report.h"
#include "board_workload.h"

namespace {

const char Side[] = "project";
const int32_t BenchNet = 1;

struct OpenedBoard {
    int32_t contact;
    HWND frame;
    HWND canvas;
};

class BoardBench {
public:
    explicit BoardBench(LoadedPlugin& plugin) : plugin_(plugin) {}

    bool Open(int32_t contact, OpenedBoard* board)
    {
        const std::string name = "Bench " + std::to_string(contact);
        plugin_.Send(MsgOpenBoard, contact, AddressWord(name.c_str()), BenchNet);
        PumpMessages();
        board->contact = contact;
        board->frame = FindWindowA(BoardFrameClassName, ("Grafika - " + name).c_str());
        board->canvas = board->frame ? FindWindowExA(board->frame, nullptr, CanvasClassName, nullptr) : nullptr;
        if (!board->canvas) {
            std::fprintf(stderr, "board_bench: board %d did not open\n", static_cast<int>(contact));
            return false;
        }
        return true;
    }

    void Close(const OpenedBoard& board)
    {
        SendMessageA(board.frame, WM_CLOSE, 0, 0);
        PumpMessages();
    }

    void Draw(const OpenedBoard& board, int i)
    {
        const WorkShape shape = WorkShapeAt(i);
        const uint32_t ids[] = {MsgDrawLine, MsgDrawEllipse, MsgDrawRectangle};
        plugin_.SendDraw(ids[shape.kind], BenchNet, board.contact, shape.x1, shape.y1, shape.x2, shape.y2);
    }

    void DrawChange(const OpenedBoard& board, const WorkChangeRow& row, int i)
    {
        const WorkShape shape = WorkChangeShapeAt(&row, i);
        const uint32_t ids[] = {MsgDrawLine, MsgDrawEllipse, MsgDrawRectangle};
        plugin_.SendDraw(ids[shape.kind], BenchNet, board.contact, shape.x1, shape.y1, shape.x2, shape.y2);
    }

    void SetRequestAttributes(const OpenedBoard& board, int32_t penWidth = WorkPenWidth)
    {
        plugin_.Send(MsgRequestPenColor, board.contact, static_cast<int32_t>(WORK_PEN_COLOR), BenchNet);
        plugin_.Send(MsgRequestFillColor, board.contact, static_cast<int32_t>(WORK_FILL_COLOR), BenchNet);
        plugin_.Send(MsgRequestPenWidth, board.contact, penWidth, BenchNet);
        plugin_.Send(MsgRequestFillEnabled, board.contact, 1, BenchNet);
    }

private:
    LoadedPlugin& plugin_;
};

void SetCursorToClient(HWND window, POINT point)
{
    ClientToScreen(window, &point);
    SetCursorPos(point.x, point.y);
}

void MeasureDraws(BoardBench& bench, const OpenedBoard& board, int count, const std::string& suffix)
{
    bench.SetRequestAttributes(board);
    for (int i = 0; i < 30; ++i)
        bench.Draw(board, i);
    PumpMessages();
    const std::string row = "draw:" + suffix;
    BenchBegin(row.c_str(), Side);
    double cpu = BenchCpuSeconds();
    const double start = BenchNow();
    for (int i = 0; i < count; ++i)
        bench.Draw(board, i);
    const double wall = BenchNow() - start;
    cpu = BenchCpuSeconds() - cpu;
    PumpMessages();
    BenchReport(row.c_str(), Side, count, wall, cpu, -1);
}

void MeasureRepaints(const OpenedBoard& board, int count, const std::string& suffix)
{
    for (int i = 0; i < 5; ++i)
        RedrawWindow(board.canvas, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const std::string row = "repaint:" + suffix;
    BenchBegin(row.c_str(), Side);
    double cpu = BenchCpuSeconds();
    const double start = BenchNow();
    for (int i = 0; i < count; ++i)
        RedrawWindow(board.canvas, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const double wall = BenchNow() - start;
    cpu = BenchCpuSeconds() - cpu;
    BenchReport(row.c_str(), Side, count, wall, cpu, -1);
}

// One mouse move as the system delivers it during a drag: the cursor is
// where the message says, and the button is down. Answers the seconds the
// canvas took over the message; moving the cursor costs several times as
// much under Wine and is the same on both sides, so it is not counted.
double MoveDuringDrag(HWND canvas, int i)
{
    const POINT point = WorkMoveAt(i);
    SetCursorToClient(canvas, point);
    const double start = BenchNow();
    SendMessageA(canvas, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    return BenchNow() - start;
}

void MeasurePreview(const OpenedBoard& board, int count, const std::string& suffix)
{
    SendMessageA(board.frame, WM_COMMAND, CmdToolRectangle, 0);
    const POINT anchor = {WorkAnchorX, WorkAnchorY};
    SetCursorToClient(board.canvas, anchor);
    SendMessageA(board.canvas, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(anchor.x, anchor.y));
    for (int i = 0; i < 10; ++i)
        MoveDuringDrag(board.canvas, i);
    const std::string row = "preview:" + suffix;
    BenchBegin(row.c_str(), Side);
    double cpu = BenchCpuSeconds();
    double wall = 0;
    for (int i = 0; i < count; ++i)
        wall += MoveDuringDrag(board.canvas, i);
    cpu = BenchCpuSeconds() - cpu;
    SendMessageA(board.canvas, WM_LBUTTONUP, 0, MAKELPARAM(anchor.x, anchor.y));
    PumpMessages();
    BenchReport(row.c_str(), Side, count, wall, cpu, -1);
}

// The user's pen width, chosen in the board's pen-width picker.
void SetUserPenWidth(const OpenedBoard& board, int width)
{
    HWND picker = GetDlgItem(GetDlgItem(GetDlgItem(board.frame, IdRebar), IdToolbar), IdSizePicker);
    SendMessageA(picker, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, width),
                 reinterpret_cast<LPARAM>(GetDlgItem(picker, IdSizeSpin)));
}

// The mouse message of stroke move i (a press before a stroke's first move,
// a release after its last), as the system delivers it; answers the
// seconds the canvas took over it.
double StrokeMessage(HWND canvas, int i)
{
    const POINT point = WorkStrokePointAt(i);
    SetCursorToClient(canvas, point);
    const LPARAM where = MAKELPARAM(point.x, point.y);
    const double start = BenchNow();
    if (i % WorkStrokeMoves == 0)
        SendMessageA(canvas, WM_LBUTTONDOWN, MK_LBUTTON, where);
    SendMessageA(canvas, WM_MOUSEMOVE, MK_LBUTTON, where);
    if (i % WorkStrokeMoves == WorkStrokeMoves - 1)
        SendMessageA(canvas, WM_LBUTTONUP, 0, where);
    return BenchNow() - start;
}

// The change rows: requests, or the moves of free-hand strokes, each kept
// as an undo step.
void MeasureChanges(BoardBench& bench, const OpenedBoard& board, int count)
{
    for (int r = 0; r < WorkChangeRowCount; ++r) {
        const WorkChangeRow& row = WorkChangeRows[r];
        const std::string name = std::string("change-") + row.name;
        const bool stroke = row.kind == WorkChangeStroke;
        if (stroke) {
            SendMessageA(board.frame, WM_COMMAND, CmdToolFreehand, 0);
            SetUserPenWidth(board, row.penWidth);
            for (int i = 0; i < WorkStrokeMoves; ++i)
                StrokeMessage(board.canvas, i);
        } else {
            bench.SetRequestAttributes(board, row.penWidth);
            for (int i = 0; i < 30; ++i)
                bench.DrawChange(board, row, i);
        }
        PumpMessages();
        BenchBegin(name.c_str(), Side);
        double cpu = BenchCpuSeconds();
        double wall = 0;
        if (stroke) {
            for (int i = 0; i < count; ++i)
                wall += StrokeMessage(board.canvas, i);
            const POINT last = WorkStrokePointAt(count - 1);
            SendMessageA(board.canvas, WM_LBUTTONUP, 0, MAKELPARAM(last.x, last.y));
        } else {
            const double start = BenchNow();
            for (int i = 0; i < count; ++i)
                bench.DrawChange(board, row, i);
            wall = BenchNow() - start;
        }
        cpu = BenchCpuSeconds() - cpu;
        PumpMessages();
        BenchReport(name.c_str(), Side, count, wall, cpu, -1);
    }
}

// Memory per board: boards opened after a first one was opened and closed
// (so that what the first board loads once is not counted), measured
// before any drawing.
bool MeasureMemory(BoardBench& bench, const WorkPlan& plan)
{
    OpenedBoard warmUp;
    if (!bench.Open(1000, &warmUp))
        return false;
    bench.Close(warmUp);
    std::vector<OpenedBoard> boards;
    const double before = WorkingSetBytes();
    for (int c = 0; c < plan.boardCountCount; ++c) {
        const int count = plan.boardCounts[c];
        while (static_cast<int>(boards.size()) < count) {
            OpenedBoard board;
            if (!bench.Open(static_cast<int32_t>(boards.size()) + 1, &board))
                return false;
            boards.push_back(board);
        }
        const double perBoard = (WorkingSetBytes() - before) / count;
        BenchReport(("memory:" + std::to_string(count)).c_str(), Side, count, 0, 0, perBoard);
    }
    for (const OpenedBoard& board : boards)
        bench.Close(board);
    return true;
}

bool MeasureWork(BoardBench& bench, const WorkPlan& plan)
{
    std::vector<OpenedBoard> boards;
    for (int c = 0; c < plan.boardCountCount; ++c) {
        const int count = plan.boardCounts[c];
        while (static_cast<int>(boards.size()) < count) {
            OpenedBoard board;
            if (!bench.Open(static_cast<int32_t>(boards.size()) + 1, &board))
                return false;
            boards.push_back(board);
        }
        const OpenedBoard& top = boards.back();
        if (!SizeClientToPicture(top.canvas)) {
            std::fprintf(stderr, "board_bench: the canvas cannot show the whole picture\n");
            return false;
        }
        PumpMessages();
        const std::string suffix = std::to_string(count);
        MeasureDraws(bench, top, plan.draws, suffix);
        MeasureRepaints(top, plan.repaints, suffix);
        MeasurePreview(top, plan.moves, suffix);
        if (c == 0 && plan.changes > 0)
            MeasureChanges(bench, top, plan.changes);
    }
    for (const OpenedBoard& board : boards)
        bench.Close(board);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    WorkPlan plan;
    if (!ParseWorkPlan(argc, argv, &plan))
        return 2;
    StandInHost host;
    LoadedPlugin plugin((ProgramDirectory() + "oboard.dll").c_str());
    if (!plugin.Loaded()) {
        std::fprintf(stderr, "board_bench: cannot load oboard.dll\n");
        return 1;
    }
    plugin.Start(host);
    host.config[ColBoardX] = WorkFrameX;
    host.config[ColBoardY] = WorkFrameY;
    host.config[ColBoardWidth] = WorkFrameWidth;
    host.config[ColBoardHeight] = WorkFrameHeight;
    BoardBench bench(plugin);
    const bool measured = MeasureMemory(bench, plan) && MeasureWork(bench, plan);
    plugin.Stop();
    return measured ? 0 : 1;
}
