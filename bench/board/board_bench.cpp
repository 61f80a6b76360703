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

    void SetRequestAttributes(const OpenedBoard& board)
    {
        plugin_.Send(MsgRequestPenColor, board.contact, static_cast<int32_t>(WORK_PEN_COLOR), BenchNet);
        plugin_.Send(MsgRequestFillColor, board.contact, static_cast<int32_t>(WORK_FILL_COLOR), BenchNet);
        plugin_.Send(MsgRequestPenWidth, board.contact, WorkPenWidth, BenchNet);
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
