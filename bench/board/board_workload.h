/* The work of the board rows, the same for the board (board_bench.cpp) and
 * for its bare baseline (bare_gdi.c): the plan, the shapes drawn, the mouse
 * path of the drag, and the helpers both use.
 *
 *   PROGRAM --boards 1,10,50 --draws N --repaints N --moves N [--changes N]
 *
 * For each board count the program reports the memory per board, and with
 * that many boards open, N drawing requests, N full repaints and N mouse
 * moves of a rectangle drag on the board opened last (it lies on top).
 * With --changes, the first board count also runs the change rows: N
 * changes of one kind each (a long diagonal line request of a 1 and a 10
 * pixel pen, a rectangle, an ellipse, the mouse moves of free-hand strokes
 * of both pens), every one kept as an undo step on the board's side. */
#ifndef BENCH_BOARD_WORKLOAD_H
#define BENCH_BOARD_WORKLOAD_H

#include <windows.h>

#include "oboard/board_ui.h"

#ifdef __cplusplus
extern "C" {
#endif

enum { WorkMaxBoardCounts = 8 };
/* Top-level windows: position and size, large enough for the picture. */
enum { WorkFrameX = 10, WorkFrameY = 10, WorkFrameWidth = 800, WorkFrameHeight = 700 };

typedef struct WorkPlan {
    int boardCounts[WorkMaxBoardCounts]; /* ascending */
    int boardCountCount;
    int draws, repaints, moves;
    int changes; /* 0: no change rows */
} WorkPlan;

/* False (with a message) when the arguments are not a plan. */
int ParseWorkPlan(int argc, char** argv, WorkPlan* plan);

/* Drawing request i: a line, an ellipse or a rectangle, in turn. */
enum WorkShapeKind { WorkLine, WorkEllipse, WorkRectangle };
typedef struct WorkShape {
    int kind;
    int x1, y1, x2, y2;
} WorkShape;
WorkShape WorkShapeAt(int i);

/* The request attributes: pen of one pixel, filled shapes. */
#define WORK_PEN_COLOR RGB(20, 40, 160)
#define WORK_FILL_COLOR RGB(230, 200, 40)
enum { WorkPenWidth = 1 };

/* The change rows: what each draws, and with which pen. */
enum WorkChangeKind { WorkChangeLine, WorkChangeRectangle, WorkChangeEllipse, WorkChangeStroke };
typedef struct WorkChangeRow {
    const char* name; /* the row is "change-NAME" */
    int kind;
    int penWidth;
} WorkChangeRow;
extern const WorkChangeRow WorkChangeRows[];
extern const int WorkChangeRowCount;

/* Change i of a request row: a diagonal across the whole picture (one way,
 * then the other) for lines, else a box of the board row's sizes. */
WorkShape WorkChangeShapeAt(const WorkChangeRow* row, int i);

/* Mouse move i of the stroke rows, in client coordinates of the picture
 * window: strokes of WorkStrokeMoves moves each, diagonally across the
 * picture and back, pressed at the first point of each and released after
 * its last. */
enum { WorkStrokeMoves = 64 };
POINT WorkStrokePointAt(int i);

/* The drag: pressed at the anchor, then move i goes to WorkMoveAt(i), in
 * client coordinates of the picture window. */
enum { WorkAnchorX = 100, WorkAnchorY = 100 };
POINT WorkMoveAt(int i);

/* The process's working set (its resident memory under Wine). */
double WorkingSetBytes(void);

/* Handles every message waiting for this thread's windows. */
void PumpMessages(void);

/* Sizes a child window so that its client area shows the whole picture:
 * both sides repaint the same number of pixels. False if it did not fit. */
int SizeClientToPicture(HWND window);

#ifdef __cplusplus
}
#endif

#endif
