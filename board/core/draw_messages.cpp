// Messages through which other plugins draw on an open board, set the
// attributes of such drawings, ask for a board's state and flash it.
#include "core/board_messages.h"

#include <windows.h>

#include "common/board_registry.h"
#include "common/board_window_state.h"
#include "picture/picture_change.h"

namespace {

struct OpenBoardWindow {
    HWND frame = nullptr;
    BoardWindowState* state = nullptr;
};

// The board (net, contact) if it is open and its window still has its record.
OpenBoardWindow FindOpenBoard(int32_t net, int32_t contact)
{
    OpenBoardWindow board;
    HWND frame = FindBoardWindow(net, contact);
    if (!frame)
        return board;
    board.frame = frame;
    board.state = BoardStateOf(frame);
    return board;
}

void FlashTaskbarButton(HWND frame)
{
    FLASHWINFO info = {};
    info.cbSize = sizeof info;
    info.hwnd = frame;
    info.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;
    info.uCount = 0;
    info.dwTimeout = 0;
    FlashWindowEx(&info);
}

DrawTool RequestTool(uint32_t id)
{
    switch (id) {
    case MsgDrawEllipse:
        return ToolEllipse;
    case MsgDrawRectangle:
        return ToolRectangle;
    default:
        return ToolLine;
    }
}

// The request's shape in the picture, in picture coordinates whatever the
// canvas's scroll position, then a repaint without erasing.
void DrawRequestShape(const BoardWindowState& state, const DrawRequest& request)
{
    if (!state.canvasBitmap)
        return;
    // A step the user can undo: only the part the shape may change is kept.
    const PictureSegment points = {request.x1, request.y1, request.x2, request.y2};
    DrawShapeChange(state, state.canvasWindow, RequestTool(request.id), points, RequestAttributes(state),
                    PictureStepKind::OwnStep);
    // A board whose canvas window is gone has nothing to repaint (a null
    // window here would invalidate every window on the desktop).
    if (state.canvasWindow)
        InvalidateRect(state.canvasWindow, nullptr, FALSE);
}

}  // namespace

int HandleDrawMessage(const PluginMessage* message)
{
    // The dispatcher only routes records of at least 44 bytes here.
    const DrawRequest& request = *reinterpret_cast<const DrawRequest*>(message);
    OpenBoardWindow board = FindOpenBoard(request.boardNet, request.contact);
    if (!board.state)
        return 0;
    if (IsIconic(board.frame))
        FlashTaskbarButton(board.frame);
    DrawRequestShape(*board.state, request);
    return 0;
}

int HandleAttributeMessage(const PluginMessage* message)
{
    OpenBoardWindow board = FindOpenBoard(message->boardNet, message->p1);
    if (!board.state)
        return 0;
    BoardWindowState& state = *board.state;
    switch (message->id) {
    case MsgRequestPenColor:
        state.requestPenColor = static_cast<COLORREF>(message->p2);
        break;
    case MsgRequestFillColor:
        state.requestFillColor = static_cast<COLORREF>(message->p2);
        break;
    case MsgRequestPenWidth:
        state.requestPenWidth = message->p2;
        break;
    case MsgRequestFillEnabled:
        state.requestFillEnabled = message->p2;
        break;
    case MsgRequestPenEnabled:
        state.requestPenEnabled = message->p2;
        break;
    }
    return 0;
}

int HandleBoardState(const PluginMessage* message)
{
    OpenBoardWindow board = FindOpenBoard(message->boardNet, message->p1);
    if (!board.frame)
        return 0;
    return IsIconic(board.frame) ? 2 : 1;
}

int HandleFlashBoard(const PluginMessage* message)
{
    OpenBoardWindow board = FindOpenBoard(message->boardNet, message->p1);
    if (board.frame)
        FlashTaskbarButton(board.frame);
    return 0;
}
