// A board's rebar, its one band and the toolbar in it: the eleven items, the
// shared image list, the tool check group and the picker over its separator.
#include "board_controls_support.h"

#include <string>

namespace {

struct ExpectedItem {
    const char* text;  // null for a separator
    int command;
    int image;
    BYTE style;
    BYTE state;
};

// Texts in cp1250.
const ExpectedItem ExpectedItems[] = {
    {"Wolne", CmdToolFreehand, 0, BTNS_CHECKGROUP | BTNS_AUTOSIZE, TBSTATE_CHECKED | TBSTATE_ENABLED},
    {"Linia", CmdToolLine, 1, BTNS_CHECKGROUP | BTNS_AUTOSIZE, TBSTATE_ENABLED},
    {"Elipsa", CmdToolEllipse, 2, BTNS_CHECKGROUP | BTNS_AUTOSIZE, TBSTATE_ENABLED},
    {"Prostok\xB9t", CmdToolRectangle, 3, BTNS_CHECKGROUP | BTNS_AUTOSIZE, TBSTATE_ENABLED},
    {nullptr, 0, 0, BTNS_SEP, 0},
    {nullptr, 0, 100, BTNS_SEP, 0},
    {nullptr, 0, 0, BTNS_SEP, 0},
    {"Kolor", CmdPenColor, 5, BTNS_DROPDOWN | BTNS_AUTOSIZE, TBSTATE_ENABLED},
    {"Wype\xB3nienie", CmdFillColor, 6, BTNS_DROPDOWN | BTNS_AUTOSIZE, TBSTATE_ENABLED},
    {nullptr, 0, 0, BTNS_SEP, 0},
    {"Czy\x9C\xE6", CmdClear, 7, BTNS_AUTOSIZE, TBSTATE_ENABLED},
};

TEST_F(BoardControlsTest, ToolbarHoldsTheElevenItemsInOrder)
{
    HWND frame = Open(1, 10);
    ASSERT_NE(nullptr, frame);
    HWND toolbar = Toolbar(frame);
    ASSERT_NE(nullptr, toolbar);
    EXPECT_EQ(IdToolbar, GetDlgCtrlID(toolbar));
    EXPECT_EQ(TBSTYLE_EX_MIXEDBUTTONS, SendMessageA(toolbar, TB_GETEXTENDEDSTYLE, 0, 0) & 0xFF);

    ASSERT_EQ(11, SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int index = 0; index < 11; ++index) {
        SCOPED_TRACE(index);
        const ExpectedItem& expected = ExpectedItems[index];
        TBBUTTON button = {};
        ASSERT_TRUE(SendMessageA(toolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)));
        EXPECT_EQ(expected.command, button.idCommand);
        EXPECT_EQ(expected.style, button.fsStyle);
        EXPECT_EQ(expected.state, button.fsState);
        EXPECT_EQ(0u, button.dwData);
        if (!expected.text) {
            if (expected.image) {  // the separator's width
                EXPECT_EQ(expected.image, button.iBitmap);
            }
            continue;
        }
        EXPECT_EQ(expected.image, button.iBitmap);
        char text[64] = {};
        ASSERT_EQ(static_cast<LRESULT>(std::string(expected.text).size()),
                  SendMessageA(toolbar, TB_GETBUTTONTEXTA, expected.command, reinterpret_cast<LPARAM>(text)));
        EXPECT_STREQ(expected.text, text);
    }
}

TEST_F(BoardControlsTest, RebarHasOneFixedBandHoldingTheToolbar)
{
    HWND frame = Open(1, 11);
    ASSERT_NE(nullptr, frame);
    HWND rebar = State(frame)->rebarWindow;
    HWND toolbar = Toolbar(frame);
    ASSERT_NE(nullptr, rebar);
    EXPECT_EQ(frame, GetParent(rebar));
    EXPECT_EQ(rebar, GetParent(toolbar));
    EXPECT_EQ(IdRebar, GetDlgCtrlID(rebar));
    EXPECT_TRUE(IsWindowVisible(toolbar));
    // The controls add CCS_TOP themselves; the rebar makes its child visible.
    EXPECT_EQ(0x56800448u, static_cast<DWORD>(GetWindowLongA(rebar, GWL_STYLE)) & ~DWORD(CCS_TOP));
    EXPECT_EQ(0x4600984Cu, static_cast<DWORD>(GetWindowLongA(toolbar, GWL_STYLE)) & ~DWORD(CCS_TOP | WS_VISIBLE));

    ASSERT_EQ(1, SendMessageA(rebar, RB_GETBANDCOUNT, 0, 0));
    REBARBANDINFOA band = {};
    band.cbSize = REBARBANDINFOA_V6_SIZE;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_ID | RBBIM_IDEALSIZE;
    ASSERT_TRUE(SendMessageA(rebar, RB_GETBANDINFOA, 0, reinterpret_cast<LPARAM>(&band)));
    EXPECT_EQ(static_cast<UINT>(RBBS_CHILDEDGE | RBBS_NOVERT), band.fStyle & 0xFF);
    EXPECT_EQ(toolbar, band.hwndChild);
    EXPECT_EQ(2000u, band.wID);
    SIZE maxSize = {};
    SendMessageA(toolbar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&maxSize));
    EXPECT_EQ(static_cast<UINT>(maxSize.cx), band.cxMinChild);
    EXPECT_EQ(static_cast<UINT>(maxSize.cx), band.cxIdeal);
    EXPECT_EQ(HIWORD(SendMessageA(toolbar, TB_GETBUTTONSIZE, 0, 0)), band.cyMinChild);
}

TEST_F(BoardControlsTest, CanvasLiesBelowTheRebarOfItsBand)
{
    HWND frame = Open(1, 12);
    ASSERT_NE(nullptr, frame);
    HWND rebar = State(frame)->rebarWindow;
    HWND canvas = State(frame)->canvasWindow;
    ASSERT_NE(nullptr, rebar);
    ASSERT_NE(nullptr, canvas);
    SetWindowPos(frame, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages();

    RECT rebarRect = {}, rebarClient = {};
    GetWindowRect(rebar, &rebarRect);
    GetClientRect(rebar, &rebarClient);
    const int rebarHeight = rebarRect.bottom - rebarRect.top;
    // The rebar keeps the height its band asks for, whatever it was created with.
    EXPECT_EQ(SendMessageA(rebar, RB_GETBARHEIGHT, 0, 0) + (rebarHeight - rebarClient.bottom), rebarHeight);
    EXPECT_GE(rebarClient.bottom, HIWORD(SendMessageA(Toolbar(frame), TB_GETBUTTONSIZE, 0, 0)));

    RECT client = {};
    GetClientRect(frame, &client);
    RECT canvasRect = RectIn(frame, canvas);
    EXPECT_EQ(rebarHeight, canvasRect.top);
    EXPECT_EQ(client.bottom, canvasRect.bottom);
    EXPECT_EQ(client.right, canvasRect.right);
}

TEST_F(BoardControlsTest, ImageListIsTheSharedOneAndOutlivesTheBoard)
{
    HIMAGELIST shared = PluginImageList();
    ASSERT_NE(nullptr, shared);
    HWND first = Open(1, 13);
    HWND second = Open(1, 14);
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(reinterpret_cast<LRESULT>(shared), SendMessageA(Toolbar(first), TB_GETIMAGELIST, 0, 0));
    EXPECT_EQ(reinterpret_cast<LRESULT>(shared), SendMessageA(Toolbar(second), TB_GETIMAGELIST, 0, 0));

    SendMessageA(first, WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(8, ImageList_GetImageCount(shared));
    int cx = 0, cy = 0;
    EXPECT_TRUE(ImageList_GetIconSize(shared, &cx, &cy));
    EXPECT_EQ(reinterpret_cast<LRESULT>(shared), SendMessageA(Toolbar(second), TB_GETIMAGELIST, 0, 0));
}

TEST_F(BoardControlsTest, CheckGroupFollowsPressesAndSetsTheTool)
{
    HWND frame = Open(1, 15);
    ASSERT_NE(nullptr, frame);
    HWND toolbar = Toolbar(frame);
    EXPECT_EQ(ToolFreehand, State(frame)->tool);

    struct Press {
        int command;
        int32_t tool;
    };
    const Press presses[] = {{CmdToolLine, ToolLine},
                             {CmdToolEllipse, ToolEllipse},
                             {CmdToolRectangle, ToolRectangle},
                             {CmdToolFreehand, ToolFreehand},
                             {CmdToolRectangle, ToolRectangle}};
    for (const Press& press : presses) {
        SCOPED_TRACE(press.command);
        ClickToolbarButton(toolbar, press.command);
        EXPECT_EQ(press.tool, State(frame)->tool);
        for (int command : {CmdToolLine, CmdToolFreehand, CmdToolRectangle, CmdToolEllipse})
            EXPECT_EQ(command == press.command, SendMessageA(toolbar, TB_ISBUTTONCHECKED, command, 0) != 0) << command;
    }

    // "Czysc" is a plain button: no tool, no check mark, no colour changes.
    State(frame)->penColor = RGB(1, 2, 3);
    ClickToolbarButton(toolbar, CmdClear);
    EXPECT_EQ(ToolRectangle, State(frame)->tool);
    EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONCHECKED, CmdToolRectangle, 0));
    EXPECT_FALSE(SendMessageA(toolbar, TB_ISBUTTONCHECKED, CmdClear, 0));
    EXPECT_EQ(RGB(1, 2, 3), State(frame)->penColor);
}

TEST_F(BoardControlsTest, PickerCoversTheWideSeparatorInsideTheToolbar)
{
    HWND frame = Open(1, 16);
    ASSERT_NE(nullptr, frame);
    HWND toolbar = Toolbar(frame);
    HWND picker = Picker(frame);
    ASSERT_NE(nullptr, picker);
    EXPECT_EQ(toolbar, GetParent(picker));
    EXPECT_EQ(IdSizePicker, GetDlgCtrlID(picker));
    char className[32] = {};
    GetClassNameA(picker, className, sizeof className);
    EXPECT_STREQ(SizePickerClassName, className);
    EXPECT_TRUE(IsWindowVisible(picker));
    EXPECT_EQ(0x54000000u, static_cast<DWORD>(GetWindowLongA(picker, GWL_STYLE)));

    RECT item = {};
    ASSERT_TRUE(SendMessageA(toolbar, TB_GETITEMRECT, 5, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(100, item.right - item.left);
    RECT rect = RectIn(toolbar, picker);
    EXPECT_EQ(item.left + 1, rect.left);
    EXPECT_EQ(item.top + 1, rect.top);
    EXPECT_EQ(item.right - 1, rect.right);
    EXPECT_EQ(item.bottom - 1, rect.bottom);
}

}  // namespace
