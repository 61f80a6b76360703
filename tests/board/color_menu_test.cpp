// The pen-colour and fill-colour menus: their entries, the swatches the frame
// draws, the effect of every choice, the drop-down from the toolbar and the
// colour dialog with the custom colours shared by all boards.
#include "board_controls_support.h"

#include <string>
#include <vector>

namespace {

struct MenuColor {
    int id;
    COLORREF pen;
    COLORREF fill;
};

const MenuColor TableColors[] = {
    {MenuColorBlack, 0x00000000, 0x00000000},  {MenuColorRed, 0x00172DE8, 0x00172DE8},
    {MenuColorYellow, 0x0000FFFF, 0x0000FFFF}, {MenuColorGreen, 0x0048E41B, 0x0048E41B},
    {MenuColorBlue, 0x00FFC600, 0x00FFC600},   {MenuColorNavy, 0x00E30606, 0x00E30707},
    {MenuColorPink, 0x00FF00FF, 0x00FF00FF},   {MenuColorWhite, 0x00FFFFFF, 0x00FFFFFF},
};

// ---- the drop-down, watched from the frame's side ----

// While the frame tracks a menu, Wine sends it WM_ENTERIDLE; the watcher
// looks at the menu then and chooses by keys posted to the popup window.
struct MenuWatch {
    WNDPROC original = nullptr;
    HMENU menu = nullptr;
    HWND popup = nullptr;
    RECT popupRect = {};
    int downPresses = -1;  // -1: dismiss the menu instead of choosing
    bool acted = false;
    int idles = 0;
    int commands = 0;
    struct Item {
        UINT type, state, id;
        HBITMAP bitmap;
        std::string text;
    };
    std::vector<Item> items;
};

MenuWatch gWatch;

void ReadMenu(HMENU menu)
{
    gWatch.items.clear();
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        char text[64] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_BITMAP;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, position, TRUE, &info);
        gWatch.items.push_back({info.fType, info.fState, info.wID, info.hbmpItem, text});
    }
}

LRESULT CALLBACK WatchingFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITMENUPOPUP)
        gWatch.menu = reinterpret_cast<HMENU>(wParam);
    if (message == WM_COMMAND)
        ++gWatch.commands;
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU) {
        ++gWatch.idles;
        if (!gWatch.acted) {
            gWatch.acted = true;
            gWatch.popup = reinterpret_cast<HWND>(lParam);
            GetWindowRect(gWatch.popup, &gWatch.popupRect);
            if (gWatch.menu)
                ReadMenu(gWatch.menu);
            if (gWatch.downPresses < 0) {
                EndMenu();
            } else {
                for (int i = 0; i < gWatch.downPresses; ++i)
                    PostMessageA(gWatch.popup, WM_KEYDOWN, VK_DOWN, 0);
                PostMessageA(gWatch.popup, WM_KEYDOWN, VK_RETURN, 0);
            }
        } else if (gWatch.idles > 500) {
            EndMenu();  // the keys did not reach the menu: do not hang
        }
    }
    return CallWindowProcA(gWatch.original, window, message, wParam, lParam);
}

void StartWatching(HWND frame, int downPresses)
{
    gWatch = MenuWatch();
    gWatch.downPresses = downPresses;
    gWatch.original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchingFrameProc)));
}

void StopWatching(HWND frame)
{
    SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gWatch.original));
}

RECT ButtonOnScreen(HWND toolbar, int command)
{
    RECT rect = {};
    SendMessageA(toolbar, TB_GETRECT, command, reinterpret_cast<LPARAM>(&rect));
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST_F(BoardControlsTest, MenuHoldsTheTwelveOwnerDrawnEntries)
{
    HWND frame = Open(2, 20);
    ASSERT_NE(nullptr, frame);
    HWND toolbar = Toolbar(frame);
    StartWatching(frame, -1);
    ClickToolbarButton(toolbar, CmdFillColor);
    StopWatching(frame);
    ASSERT_TRUE(gWatch.acted) << "no menu was tracked";

    struct Expected {
        const char* text;  // null: separator
        UINT id;
    };
    const Expected expected[] = {
        {"Brak", MenuColorNone},
        {nullptr, 0},
        {"Czarny", MenuColorBlack},
        {"Czerwony", MenuColorRed},
        {"\xAF\xF3\xB3ty", MenuColorYellow},
        {"Zielony", MenuColorGreen},
        {"Niebieski", MenuColorBlue},
        {"Granatowy", MenuColorNavy},
        {"R\xF3\xBFowy", MenuColorPink},
        {"Bia\xB3y", MenuColorWhite},
        {nullptr, 0},
        {"inny...", MenuColorOther},
    };
    ASSERT_EQ(12u, gWatch.items.size());
    for (size_t position = 0; position < 12; ++position) {
        SCOPED_TRACE(position);
        const MenuWatch::Item& item = gWatch.items[position];
        if (!expected[position].text) {
            EXPECT_TRUE(item.type & MFT_SEPARATOR);
            EXPECT_EQ(0u, item.id);
            continue;
        }
        EXPECT_FALSE(item.type & MFT_SEPARATOR);
        EXPECT_EQ(expected[position].id, item.id);
        EXPECT_EQ(expected[position].text, item.text);
        EXPECT_EQ(HBMMENU_CALLBACK, item.bitmap);
        EXPECT_EQ(0u, item.state & (MFS_CHECKED | MFS_GRAYED | MFS_DISABLED));
    }
    // Dismissed: nothing changes, and the press was no command.
    EXPECT_EQ(0, State(frame)->fillEnabled);
    EXPECT_EQ(0u, State(frame)->fillColor);
    EXPECT_EQ(0, gWatch.commands);
}

TEST_F(BoardControlsTest, ChoiceInTheDropDownUnderKolorReachesThePen)
{
    HWND frame = Open(2, 21);
    ASSERT_NE(nullptr, frame);
    HWND toolbar = Toolbar(frame);
    const RECT button = ButtonOnScreen(toolbar, CmdPenColor);
    PaintWatch picker(Picker(frame));

    // Down five times: "Brak", then past the separator to "Zielony".
    StartWatching(frame, 5);
    ClickToolbarButton(toolbar, CmdPenColor);
    StopWatching(frame);
    ASSERT_TRUE(gWatch.acted) << "no menu was tracked";

    EXPECT_EQ(button.left, gWatch.popupRect.left);
    EXPECT_EQ(button.bottom, gWatch.popupRect.top);
    EXPECT_EQ(0x0048E41Bu, State(frame)->penColor);
    EXPECT_EQ(1, State(frame)->penEnabled);
    EXPECT_EQ(0u, State(frame)->fillColor);
    EXPECT_EQ(ToolFreehand, State(frame)->tool);
    EXPECT_EQ(0, gWatch.commands);
    EXPECT_TRUE(picker.Repainted());
}

TEST_F(BoardControlsTest, EveryColourIdOnBothMenus)
{
    HWND frame = Open(2, 22);
    ASSERT_NE(nullptr, frame);
    BoardWindowState* state = State(frame);
    PaintWatch picker(Picker(frame));

    for (const MenuColor& color : TableColors) {
        SCOPED_TRACE(color.id);
        // "Brak" first: the table colour switches the outline or fill back on.
        SendMessageA(frame, MsgSetPenColor, MenuColorNone, 0);
        SendMessageA(frame, MsgSetFillColor, MenuColorNone, 0);
        picker.Reset();
        EXPECT_EQ(0, SendMessageA(frame, MsgSetPenColor, color.id, 0));
        EXPECT_TRUE(picker.Repainted());
        EXPECT_EQ(color.pen, state->penColor);
        EXPECT_EQ(1, state->penEnabled);
        picker.Reset();
        EXPECT_EQ(0, SendMessageA(frame, MsgSetFillColor, color.id, 0));
        EXPECT_TRUE(picker.Repainted());
        EXPECT_EQ(color.fill, state->fillColor);
        EXPECT_EQ(1, state->fillEnabled);
    }
    // The pen and fill of the board's messages are another set.
    EXPECT_EQ(0u, state->requestPenColor);
    EXPECT_EQ(0u, state->requestFillColor);
    EXPECT_EQ(0, state->requestFillEnabled);
}

TEST_F(BoardControlsTest, BrakSwitchesOffAndKeepsTheColour)
{
    HWND frame = Open(2, 23);
    ASSERT_NE(nullptr, frame);
    BoardWindowState* state = State(frame);

    SendMessageA(frame, MsgSetPenColor, MenuColorNavy, 0);
    SendMessageA(frame, MsgSetFillColor, MenuColorNavy, 0);
    PaintWatch picker(Picker(frame));
    SendMessageA(frame, MsgSetPenColor, MenuColorNone, 0);
    EXPECT_TRUE(picker.Repainted());
    EXPECT_EQ(0, state->penEnabled);
    EXPECT_EQ(0x00E30606u, state->penColor);
    EXPECT_EQ(1, state->fillEnabled);

    SendMessageA(frame, MsgSetFillColor, MenuColorNone, 0);
    EXPECT_EQ(0, state->fillEnabled);
    EXPECT_EQ(0x00E30707u, state->fillColor);

    SendMessageA(frame, MsgSetFillColor, MenuColorGreen, 0);
    EXPECT_EQ(0x0048E41Bu, state->fillColor);
    EXPECT_EQ(1, state->fillEnabled);
    EXPECT_EQ(0, state->penEnabled);

    // An id outside the menu (a toolbar command) changes nothing.
    SendMessageA(frame, MsgSetPenColor, CmdPenColor, 0);
    EXPECT_EQ(0x00E30606u, state->penColor);
    EXPECT_EQ(0, state->penEnabled);
}

// ---- measuring and drawing the swatches ----

TEST_F(BoardControlsTest, MenuItemsAreMeasuredFiveBySixteen)
{
    HWND frame = Open(2, 24);
    ASSERT_NE(nullptr, frame);
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_MENU;
    measure.itemID = MenuColorRed;
    EXPECT_EQ(TRUE, SendMessageA(frame, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));
    EXPECT_EQ(5u, measure.itemWidth);
    EXPECT_EQ(16u, measure.itemHeight);

    MEASUREITEMSTRUCT control = {};
    control.CtlType = ODT_BUTTON;
    EXPECT_EQ(0, SendMessageA(frame, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&control)));
    EXPECT_EQ(0u, control.itemWidth);
    MEASUREITEMSTRUCT fromControl = {};
    fromControl.CtlType = ODT_MENU;
    EXPECT_EQ(0, SendMessageA(frame, WM_MEASUREITEM, 7, reinterpret_cast<LPARAM>(&fromControl)));
    EXPECT_EQ(0u, fromControl.itemHeight);
}

const COLORREF Grey = RGB(128, 128, 128);

void DrawItem(HWND frame, HDC dc, UINT id, UINT type = ODT_MENU, WPARAM wParam = 0, RECT rect = {0, 0, 20, 20})
{
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = type;
    draw.itemID = id;
    draw.itemAction = ODA_DRAWENTIRE;
    draw.hDC = dc;
    draw.rcItem = rect;
    EXPECT_EQ(0, SendMessageA(frame, WM_DRAWITEM, wParam, reinterpret_cast<LPARAM>(&draw)));
}

// The colour of the 12x12 square at (3, 3) + offset, or CLR_INVALID when it
// is not uniform; the ring around it must stay grey.
COLORREF SquareColour(const MemoryCanvas& canvas, int offset, bool outlined)
{
    for (int i = 2; i <= 15; ++i)
        for (POINT p : {POINT {i, 2}, POINT {i, 15}, POINT {2, i}, POINT {15, i}})
            if (canvas.At(p.x + offset, p.y + offset) != Grey)
                return CLR_INVALID;
    const int inner = outlined ? 4 : 3, outer = outlined ? 13 : 14;
    const COLORREF colour = canvas.At(inner + offset, inner + offset);
    for (int y = inner; y <= outer; ++y)
        for (int x = inner; x <= outer; ++x)
            if (canvas.At(x + offset, y + offset) != colour)
                return CLR_INVALID;
    return colour;
}

TEST_F(BoardControlsTest, SwatchesAreDrawnAtThreeThree)
{
    HWND frame = Open(2, 25);
    ASSERT_NE(nullptr, frame);
    for (const MenuColor& color : TableColors) {
        if (color.id == MenuColorWhite)
            continue;
        SCOPED_TRACE(color.id);
        MemoryCanvas canvas(40, 40, Grey);
        DrawItem(frame, canvas.Dc(), color.id);
        EXPECT_EQ(color.pen, SquareColour(canvas, 0, false));
    }

    // White gets an outline in the context's pen (black in a new context).
    MemoryCanvas white(40, 40, Grey);
    DrawItem(frame, white.Dc(), MenuColorWhite);
    EXPECT_EQ(RGB(255, 255, 255), SquareColour(white, 0, true));
    for (int i = 3; i <= 14; ++i) {
        EXPECT_EQ(RGB(0, 0, 0), white.At(i, 3));
        EXPECT_EQ(RGB(0, 0, 0), white.At(3, i));
        EXPECT_EQ(RGB(0, 0, 0), white.At(i, 14));
        EXPECT_EQ(RGB(0, 0, 0), white.At(14, i));
    }

    // Nothing for "Brak", "inny...", other controls or other senders.
    for (UINT id : {261u, 260u}) {
        MemoryCanvas canvas(40, 40, Grey);
        DrawItem(frame, canvas.Dc(), id);
        EXPECT_EQ(Grey, SquareColour(canvas, 0, false)) << id;
    }
    MemoryCanvas button(40, 40, Grey);
    DrawItem(frame, button.Dc(), MenuColorRed, ODT_BUTTON);
    EXPECT_EQ(Grey, SquareColour(button, 0, false));
    MemoryCanvas control(40, 40, Grey);
    DrawItem(frame, control.Dc(), MenuColorRed, ODT_MENU, 5);
    EXPECT_EQ(Grey, SquareColour(control, 0, false));
}

TEST_F(BoardControlsTest, SwatchFollowsTheItemWhereTheOriginWasNotMoved)
{
    HWND frame = Open(2, 26);
    ASSERT_NE(nullptr, frame);
    MemoryCanvas canvas(60, 60, Grey);
    DrawItem(frame, canvas.Dc(), MenuColorBlue, ODT_MENU, 0, RECT {20, 20, 40, 36});
    EXPECT_EQ(0x00FFC600u, SquareColour(canvas, 20, false));

    // With the origin moved to the item, the rectangle is not consulted.
    MemoryCanvas moved(60, 60, Grey);
    SetViewportOrgEx(moved.Dc(), 20, 20, nullptr);
    DrawItem(frame, moved.Dc(), MenuColorBlue, ODT_MENU, 0, RECT {20, 20, 40, 36});
    SetViewportOrgEx(moved.Dc(), 0, 0, nullptr);
    EXPECT_EQ(0x00FFC600u, SquareColour(moved, 20, false));
}

// ---- the colour dialog ----

std::string ItemText(HWND dialog, int id)
{
    char text[32] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

const int EditRed = 706, EditGreen = 707, EditBlue = 708, AddCustom = 712, CustomArea = 721;

struct DialogVisit {
    bool seen = false;
    HWND owner = nullptr;
    std::string red, green, blue;
    bool fullOpen = false;
};

DialogVisit VisitDialog(HWND dialog)
{
    DialogVisit visit;
    visit.seen = true;
    visit.owner = GetWindow(dialog, GW_OWNER);
    visit.red = ItemText(dialog, EditRed);
    visit.green = ItemText(dialog, EditGreen);
    visit.blue = ItemText(dialog, EditBlue);
    HWND red = GetDlgItem(dialog, EditRed);
    visit.fullOpen = red && IsWindowVisible(red);
    return visit;
}

// Moves the dialog clear of the board and lets the picker repaint what the
// dialog covered, so that a later repaint of it is the choice's own.
void MoveClearOfTheBoard(HWND dialog, HWND picker, PaintWatch& watch)
{
    RECT dialogRect = {}, boardRect = {};
    GetWindowRect(GetAncestor(picker, GA_ROOT), &boardRect);
    SetWindowPos(dialog, nullptr, boardRect.right + 10, boardRect.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(dialog, &dialogRect);
    RECT overlap = {};
    EXPECT_FALSE(IntersectRect(&overlap, &dialogRect, &boardRect));
    RedrawWindow(picker, nullptr, nullptr, RDW_UPDATENOW);
    watch.Reset();
}

void SetDialogColour(HWND dialog, int r, int g, int b)
{
    SetDlgItemInt(dialog, EditRed, r, FALSE);
    SetDlgItemInt(dialog, EditGreen, g, FALSE);
    SetDlgItemInt(dialog, EditBlue, b, FALSE);
}

TEST_F(BoardControlsTest, ColourDialogConfirmedSetsThePen)
{
    HWND frame = Open(2, 27);
    ASSERT_NE(nullptr, frame);
    SendMessageA(frame, MsgSetPenColor, MenuColorGreen, 0);
    SendMessageA(frame, MsgSetPenColor, MenuColorNone, 0);
    PaintWatch picker(Picker(frame));

    DialogVisit visit;
    {
        ModalAnswerer answer([&](HWND dialog) {
            visit = VisitDialog(dialog);
            MoveClearOfTheBoard(dialog, Picker(frame), picker);
            SetDialogColour(dialog, 10, 20, 30);
            PressDialogButton(dialog, IDOK);
        });
        EXPECT_EQ(0, SendMessageA(frame, MsgSetPenColor, MenuColorOther, 0));
    }
    ASSERT_TRUE(visit.seen);
    EXPECT_EQ(frame, visit.owner);
    EXPECT_TRUE(visit.fullOpen);
    // Pre-set to the current pen colour, 27, 228, 72.
    EXPECT_EQ("27", visit.red);
    EXPECT_EQ("228", visit.green);
    EXPECT_EQ("72", visit.blue);
    EXPECT_EQ(RGB(10, 20, 30), State(frame)->penColor);
    EXPECT_EQ(1, State(frame)->penEnabled);
    EXPECT_EQ(0, State(frame)->fillEnabled);
    EXPECT_TRUE(picker.Repainted());
}

TEST_F(BoardControlsTest, ColourDialogCancelledChangesNothing)
{
    HWND frame = Open(2, 28);
    ASSERT_NE(nullptr, frame);
    SendMessageA(frame, MsgSetFillColor, MenuColorRed, 0);
    SendMessageA(frame, MsgSetFillColor, MenuColorNone, 0);
    PaintWatch picker(Picker(frame));

    DialogVisit visit;
    {
        ModalAnswerer answer([&](HWND dialog) {
            visit = VisitDialog(dialog);
            MoveClearOfTheBoard(dialog, Picker(frame), picker);
            SetDialogColour(dialog, 1, 2, 3);
            PressDialogButton(dialog, IDCANCEL);
        });
        EXPECT_EQ(0, SendMessageA(frame, MsgSetFillColor, MenuColorOther, 0));
    }
    ASSERT_TRUE(visit.seen);
    EXPECT_EQ("232", visit.red);  // the fill colour, not the pen's black
    EXPECT_EQ("45", visit.green);
    EXPECT_EQ("23", visit.blue);
    EXPECT_EQ(0x00172DE8u, State(frame)->fillColor);
    EXPECT_EQ(0, State(frame)->fillEnabled);
    EXPECT_EQ(0u, State(frame)->penColor);
    EXPECT_TRUE(picker.Repainted());
}

TEST_F(BoardControlsTest, CustomColourOfOneBoardIsOfferedOnAnother)
{
    COLORREF* custom = PluginCustomColors();
    ASSERT_NE(nullptr, custom);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(0u, custom[i]) << i;
    HWND first = Open(2, 29);
    HWND second = Open(2, 30);
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);

    const COLORREF defined = RGB(10, 200, 30);
    {
        ModalAnswerer answer([&](HWND dialog) {
            SetDialogColour(dialog, 10, 200, 30);
            PressDialogButton(dialog, AddCustom);
            PressDialogButton(dialog, IDCANCEL);
        });
        SendMessageA(first, MsgSetFillColor, MenuColorOther, 0);
    }
    int slot = -1;
    for (int i = 0; i < 16; ++i)
        if (custom[i] == defined)
            slot = i;
    ASSERT_NE(-1, slot) << "the dialog did not keep the custom colour";
    EXPECT_EQ(0, State(first)->fillEnabled);

    // On the other board the colour is one of the custom cells: a click on
    // its cell chooses it.
    bool clicked = false;
    {
        ModalAnswerer answer([&](HWND dialog) {
            HWND area = GetDlgItem(dialog, CustomArea);
            if (area) {
                RECT rect = RectIn(dialog, area);
                const int cellWidth = (rect.right - rect.left) / 8, cellHeight = (rect.bottom - rect.top) / 2;
                const int x = rect.left + cellWidth * (slot % 8) + cellWidth / 2;
                const int y = rect.top + cellHeight * (slot / 8) + cellHeight / 2;
                SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
                SendMessageA(dialog, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
                clicked = true;
            }
            PressDialogButton(dialog, IDOK);
        });
        SendMessageA(second, MsgSetPenColor, MenuColorOther, 0);
    }
    ASSERT_TRUE(clicked);
    EXPECT_EQ(defined, State(second)->penColor);
    EXPECT_EQ(defined, custom[slot]);
}

}  // namespace
