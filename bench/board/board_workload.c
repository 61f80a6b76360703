#include "board_workload.h"

#include <psapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int ParseCounts(const char* text, WorkPlan* plan)
{
    plan->boardCountCount = 0;
    while (*text) {
        char* end;
        long count = strtol(text, &end, 10);
        if (end == text || count < 1 || plan->boardCountCount == WorkMaxBoardCounts)
            return 0;
        if (plan->boardCountCount > 0 && count <= plan->boardCounts[plan->boardCountCount - 1])
            return 0;
        plan->boardCounts[plan->boardCountCount++] = (int)count;
        text = *end == ',' ? end + 1 : end;
        if (*end && *end != ',')
            return 0;
    }
    return plan->boardCountCount > 0;
}

int ParseWorkPlan(int argc, char** argv, WorkPlan* plan)
{
    int i;
    memset(plan, 0, sizeof *plan);
    for (i = 1; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--boards") == 0) {
            if (!ParseCounts(argv[i + 1], plan))
                break;
        } else if (strcmp(argv[i], "--draws") == 0) {
            plan->draws = atoi(argv[i + 1]);
        } else if (strcmp(argv[i], "--repaints") == 0) {
            plan->repaints = atoi(argv[i + 1]);
        } else if (strcmp(argv[i], "--moves") == 0) {
            plan->moves = atoi(argv[i + 1]);
        } else if (strcmp(argv[i], "--changes") == 0) {
            plan->changes = atoi(argv[i + 1]);
        } else {
            break;
        }
    }
    if (i < argc || plan->boardCountCount == 0 || plan->draws < 1 || plan->repaints < 1 || plan->moves < 1 ||
        plan->changes < 0) {
        fprintf(stderr, "usage: %s --boards 1,10,50 --draws N --repaints N --moves N [--changes N]\n", argv[0]);
        return 0;
    }
    return 1;
}

WorkShape WorkShapeAt(int i)
{
    WorkShape shape;
    shape.kind = i % 3;
    shape.x1 = (i * 7) % 560;
    shape.y1 = (i * 5) % 380;
    shape.x2 = shape.x1 + 40 + i % 40;
    shape.y2 = shape.y1 + 60 + i % 30;
    return shape;
}

const WorkChangeRow WorkChangeRows[] = {
    {"line-1", WorkChangeLine, 1},     {"line-10", WorkChangeLine, 10},   {"rectangle", WorkChangeRectangle, 1},
    {"ellipse", WorkChangeEllipse, 1}, {"stroke-1", WorkChangeStroke, 1}, {"stroke-10", WorkChangeStroke, 10},
};
const int WorkChangeRowCount = (int)(sizeof WorkChangeRows / sizeof WorkChangeRows[0]);

WorkShape WorkChangeShapeAt(const WorkChangeRow* row, int i)
{
    WorkShape shape = WorkShapeAt(i);
    if (row->kind == WorkChangeLine) {
        const int inset = i % 20;
        shape.kind = WorkLine;
        shape.x1 = i % 2 ? PictureWidth - 1 - inset : inset;
        shape.y1 = 0;
        shape.x2 = PictureWidth - 1 - shape.x1;
        shape.y2 = PictureHeight - 1;
    } else {
        shape.kind = row->kind == WorkChangeRectangle ? WorkRectangle : WorkEllipse;
    }
    return shape;
}

POINT WorkStrokePointAt(int i)
{
    const int step = i % WorkStrokeMoves, stroke = i / WorkStrokeMoves;
    const int along = stroke % 2 ? WorkStrokeMoves - 1 - step : step;
    POINT point;
    point.x = 20 + along * 600 / (WorkStrokeMoves - 1);
    point.y = 20 + along * 440 / (WorkStrokeMoves - 1) + stroke % 7;
    return point;
}

POINT WorkMoveAt(int i)
{
    POINT point;
    point.x = 200 + (i % 50) * 4;
    point.y = 150 + (i % 40) * 5;
    return point;
}

double WorkingSetBytes(void)
{
    PROCESS_MEMORY_COUNTERS counters;
    memset(&counters, 0, sizeof counters);
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return (double)counters.WorkingSetSize;
}

void PumpMessages(void)
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

int SizeClientToPicture(HWND window)
{
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    SetWindowPos(window, NULL, 0, 0, PictureWidth + (outer.right - outer.left) - client.right,
                 PictureHeight + (outer.bottom - outer.top) - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(window, &client);
    return client.right == PictureWidth && client.bottom == PictureHeight;
}
