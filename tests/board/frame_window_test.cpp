// The board frame window through real window messages: placement written to
// the host settings, layout, the size limit, commands and notifications.
#include "board_test_support.h"

#include <commctrl.h>

#include <vector>

namespace {

using FrameWindowTest = BoardTest;

int Width(const RECT& r)
{
    return r.right - r.left;
}
int Height(const RECT& r)
{
    return r.bottom - r.top;
}

std::vector<HostCall> ConfigWrites(const StandInHost& host)
{
    std::vector<HostCall> writes;
    for (const HostCall& call : host.CallsOf(HostCall::Set))
        if (call.table == TableConfig && call.row == 0)
            writes.push_back(call);
    return writes;
}

// The canvas's rectangle in the frame's client coordinates.
RECT CanvasPlace(HWND frame)
{
    RECT place;
    GetWindowRect(FrameRecord(frame)->canvasWindow, &place);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

TEST_F(FrameWindowTest, MovesAndRestoredSizesAreSaved)
{
    HWND frame = Open(1, 1);
    ASSERT_TRUE(frame);
    host.calls.clear();
    MoveWindow(frame, 60, 70, 450, 320, TRUE);
    PumpMessages();
    EXPECT_EQ(60, host.config[ColBoardX]);
    EXPECT_EQ(70, host.config[ColBoardY]);
    EXPECT_EQ(450, host.config[ColBoardWidth]);
    EXPECT_EQ(320, host.config[ColBoardHeight]);

    // Moving alone writes the position, not the size.
    host.calls.clear();
    SetWindowPos(frame, nullptr, 80, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PumpMessages();
    EXPECT_EQ(80, host.config[ColBoardX]);
    EXPECT_EQ(90, host.config[ColBoardY]);
    for (const HostCall& call : ConfigWrites(host))
        EXPECT_TRUE(call.column == ColBoardX || call.column == ColBoardY) << call.column;
}

TEST_F(FrameWindowTest, MaximizedAndMinimizedWriteNothing)
{
    HWND frame = Open(1, 1);
    ASSERT_TRUE(frame);
    MoveWindow(frame, 60, 70, 450, 320, TRUE);
    PumpMessages();

    host.calls.clear();
    ShowWindow(frame, SW_MAXIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsZoomed(frame));
    EXPECT_TRUE(ConfigWrites(host).empty());

    ShowWindow(frame, SW_RESTORE);
    PumpMessages();
    const RECT canvasBefore = CanvasPlace(frame);
    host.calls.clear();
    ShowWindow(frame, SW_MINIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsIconic(frame));
    EXPECT_TRUE(ConfigWrites(host).empty());
    // Minimizing does not lay the children out.
    const RECT canvasAfter = CanvasPlace(frame);
    EXPECT_EQ(Width(canvasBefore), Width(canvasAfter));
    EXPECT_EQ(Height(canvasBefore), Height(canvasAfter));

    // Restoring saves the restored size again.
    ShowWindow(frame, SW_RESTORE);
    PumpMessages();
    EXPECT_EQ(450, host.config[ColBoardWidth]);
    EXPECT_EQ(320, host.config[ColBoardHeight]);
    EXPECT_EQ(60, host.config[ColBoardX]);
}

TEST_F(FrameWindowTest, RebarOnTopCanvasFillsTheRest)
{
    HWND frame = Open(1, 1);
    ASSERT_TRUE(frame);
    for (SIZE size : {SIZE {450, 320}, SIZE {300, 200}, SIZE {700, 600}}) {
        MoveWindow(frame, 20, 20, size.cx, size.cy, TRUE);
        PumpMessages();
        RECT client, rebar;
        GetClientRect(frame, &client);
        GetWindowRect(State(frame)->rebarWindow, &rebar);
        MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&rebar), 2);
        EXPECT_EQ(0, rebar.left);
        EXPECT_EQ(0, rebar.top);
        const RECT canvas = CanvasPlace(frame);
        EXPECT_EQ(0, canvas.left);
        EXPECT_EQ(Height(rebar), canvas.top);
        EXPECT_EQ(client.right, canvas.right);
        EXPECT_EQ(client.bottom, canvas.bottom);
    }
}

TEST_F(FrameWindowTest, SizeLimitOnEveryEdge)
{
    HWND frame = Open(1, 1);
    ASSERT_TRUE(frame);
    MoveWindow(frame, 20, 20, 450, 320, TRUE);
    PumpMessages();
    RECT window, client, rebar;
    GetWindowRect(frame, &window);
    GetClientRect(frame, &client);
    GetWindowRect(State(frame)->rebarWindow, &rebar);
    const int maxWidth = Width(window) - Width(client) + GetSystemMetrics(SM_CXVSCROLL) + PictureWidth;
    const int maxHeight =
        Height(rebar) + Height(window) - Height(client) + GetSystemMetrics(SM_CYHSCROLL) + PictureHeight;

    const RECT tooLarge = {100, 50, 100 + maxWidth + 77, 50 + maxHeight + 55};
    struct Case {
        int edge;
        RECT expected;
    };
    const RECT& t = tooLarge;
    const std::vector<Case> cases = {
        {WMSZ_LEFT, {t.right - maxWidth, t.top, t.right, t.top + maxHeight}},
        {WMSZ_RIGHT, {t.left, t.top, t.left + maxWidth, t.top + maxHeight}},
        {WMSZ_TOP, {t.left, t.bottom - maxHeight, t.right, t.bottom}},
        {WMSZ_BOTTOM, {t.left, t.top, t.right, t.top + maxHeight}},
        {WMSZ_TOPLEFT, {t.right - maxWidth, t.bottom - maxHeight, t.right, t.bottom}},
        {WMSZ_TOPRIGHT, {t.left, t.bottom - maxHeight, t.left + maxWidth, t.bottom}},
        {WMSZ_BOTTOMLEFT, {t.right - maxWidth, t.top, t.right, t.top + maxHeight}},
        {WMSZ_BOTTOMRIGHT, {t.left, t.top, t.left + maxWidth, t.top + maxHeight}},
    };
    for (const Case& c : cases) {
        RECT proposed = tooLarge;
        EXPECT_EQ(1, SendMessageA(frame, WM_SIZING, c.edge, reinterpret_cast<LPARAM>(&proposed)));
        EXPECT_TRUE(EqualRect(&c.expected, &proposed))
            << "edge " << c.edge << ": " << proposed.left << "," << proposed.top << "," << proposed.right << ","
            << proposed.bottom;

        // Within the limit, and smaller than anything sensible: unchanged.
        for (RECT fits : {RECT {100, 50, 100 + maxWidth, 50 + maxHeight}, RECT {100, 50, 110, 60}}) {
            const RECT before = fits;
            EXPECT_EQ(1, SendMessageA(frame, WM_SIZING, c.edge, reinterpret_cast<LPARAM>(&fits)));
            EXPECT_TRUE(EqualRect(&before, &fits)) << "edge " << c.edge;
        }
    }

    // At the limit the canvas shows the whole picture with both bars.
    MoveWindow(frame, 20, 20, maxWidth, maxHeight, TRUE);
    PumpMessages();
    RECT canvasClient;
    GetClientRect(State(frame)->canvasWindow, &canvasClient);
    EXPECT_EQ(PictureWidth, canvasClient.right);
    EXPECT_EQ(PictureHeight, canvasClient.bottom);
}

TEST_F(FrameWindowTest, ToolCommandsSetTheToolOthersLeaveIt)
{
    HWND frame = Open(1, 1);
    ASSERT_TRUE(frame);
    const BoardWindowState* state = State(frame);
    const struct {
        int command;
        int32_t tool;
    } commands[] = {{CmdToolLine, ToolLine},
                    {CmdToolRectangle, ToolRectangle},
                    {CmdToolEllipse, ToolEllipse},
                    {CmdToolFreehand, ToolFreehand},
                    {CmdToolRectangle, ToolRectangle}};
    for (const auto& c : commands) {
        EXPECT_EQ(0, SendMessageA(frame, WM_COMMAND, c.command, 0));
        EXPECT_EQ(c.tool, state->tool);
    }
    const int others[] = {CmdClear, CmdPenColor, CmdFillColor, 204, 999};  // 204 and 999: no button has them
    for (int other : others) {
        EXPECT_EQ(0, SendMessageA(frame, WM_COMMAND, other, 0));
        EXPECT_EQ(ToolRectangle, state->tool) << other;
    }
}

TEST_F(FrameWindowTest, NotificationsAndActivation)
{
    HWND frame = Open(1, 1);
    ASSERT_TRUE(frame);
    NMHDR header = {State(frame)->rebarWindow, IdRebar, static_cast<UINT>(RBN_BEGINDRAG)};
    EXPECT_EQ(1, SendMessageA(frame, WM_NOTIFY, IdRebar, reinterpret_cast<LPARAM>(&header)));
    header.code = static_cast<UINT>(RBN_HEIGHTCHANGE);
    EXPECT_EQ(0, SendMessageA(frame, WM_NOTIFY, IdRebar, reinterpret_cast<LPARAM>(&header)));
    header.code = static_cast<UINT>(NM_CLICK);
    EXPECT_EQ(0, SendMessageA(frame, WM_NOTIFY, IdRebar, reinterpret_cast<LPARAM>(&header)));
    EXPECT_EQ(0, SendMessageA(frame, WM_ACTIVATE, WA_ACTIVE, 0));
    EXPECT_EQ(0, SendMessageA(frame, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0));
    EXPECT_EQ(0, SendMessageA(frame, WM_ACTIVATE, WA_INACTIVE, 0));
}

TEST_F(FrameWindowTest, ClosingDestroysTheWholeBoard)
{
    HWND frame = Open(1, 1);
    ASSERT_TRUE(frame);
    HWND canvas = CanvasOf(frame);
    HWND rebar = State(frame)->rebarWindow;
    EXPECT_EQ(0, SendMessageA(frame, WM_CLOSE, 0, 0));
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_FALSE(IsWindow(canvas));
    EXPECT_FALSE(IsWindow(rebar));
}

TEST_F(FrameWindowTest, BoardWithoutRebarLaysOutAndLimitsWithoutIt)
{
    HWND frame = Open(1, 1);
    ASSERT_TRUE(frame);
    // As after a failed rebar creation: the record names no rebar.
    State(frame)->rebarWindow = nullptr;
    MoveWindow(frame, 20, 20, 450, 320, TRUE);
    PumpMessages();
    RECT client;
    GetClientRect(frame, &client);
    const RECT canvas = CanvasPlace(frame);
    EXPECT_EQ(0, canvas.top);
    EXPECT_EQ(client.bottom, canvas.bottom);
    EXPECT_EQ(client.right, canvas.right);

    RECT window;
    GetWindowRect(frame, &window);
    const int maxWidth = Width(window) - Width(client) + GetSystemMetrics(SM_CXVSCROLL) + PictureWidth;
    const int maxHeight = Height(window) - Height(client) + GetSystemMetrics(SM_CYHSCROLL) + PictureHeight;
    RECT proposed = {0, 0, 2000, 2000};
    EXPECT_EQ(1, SendMessageA(frame, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&proposed)));
    EXPECT_EQ(maxWidth, proposed.right);
    EXPECT_EQ(maxHeight, proposed.bottom);
}

TEST_F(FrameWindowTest, FrameOutsideTheRegistryClosesWithoutTouchingIt)
{
    HWND registered = Open(1, 1);
    ASSERT_TRUE(registered);
    // Frames made directly with the class, one with the key of an open board.
    int32_t sameKey[2] = {1, 1};  // contact, net
    int32_t otherKey[2] = {8, 9};
    std::vector<HWND> strays;
    for (int32_t* words : {sameKey, otherKey}) {
        HWND stray =
            CreateWindowExA(0, BoardFrameClassName, "stray", WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX,
                            0, 0, 300, 200, nullptr, nullptr, plugin->Module(), words);
        ASSERT_TRUE(stray);
        EXPECT_EQ(words[0], State(stray)->contact);
        EXPECT_EQ(words[1], State(stray)->net);
        strays.push_back(stray);
    }
    for (HWND stray : strays) {
        EXPECT_EQ(0, SendMessageA(stray, WM_CLOSE, 0, 0));
        EXPECT_FALSE(IsWindow(stray));
    }
    // The open board still answers for its key.
    EXPECT_EQ(registered, Open(1, 1));
    EXPECT_EQ(1u, BoardFrames().size());

    // Without its two key words a frame cannot be created at all.
    EXPECT_EQ(nullptr,
              CreateWindowExA(0, BoardFrameClassName, "no key",
                              WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX, 0, 0, 300, 200, nullptr,
                              nullptr, plugin->Module(), nullptr));
}

}  // namespace
