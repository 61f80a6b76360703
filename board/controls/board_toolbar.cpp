#include "controls/board_toolbar.h"

#include <commctrl.h>

#include "common/board_window_state.h"
#include "common/kept_quirks.h"
#include "common/module_instance.h"
#include "common/ui_texts.h"
#include "controls/board_image_list.h"
#include "oboard/board_ui.h"

namespace {

// Inserting at this index, past the last item, appends.
const int AppendIndex = 0x3FFF;
const int PickerItemIndex = 5;
const int PickerSeparatorWidth = 100;
// The rebar's size until the frame's first WM_SIZE lays it out.
const int RebarFirstWidth = 400;
const int RebarFirstHeight = 50;

const DWORD RebarStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | RBS_BANDBORDERS |
    CCS_NODIVIDER | CCS_NOPARENTALIGN;
// Not WS_VISIBLE: the rebar shows the child of its band itself.
const DWORD ToolbarStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TBSTYLE_TRANSPARENT | TBSTYLE_LIST |
    TBSTYLE_FLAT | CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE;
const DWORD PickerStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;

const BYTE CheckGroupStyle = BTNS_CHECKGROUP | BTNS_AUTOSIZE;
const BYTE DropDownStyle = BTNS_DROPDOWN | BTNS_AUTOSIZE;
const BYTE PushStyle = BTNS_AUTOSIZE;

struct ToolbarItem {
    const char* label;  // null for a separator
    int command;
    int image;  // for a separator: its width, 0 for the default
    BYTE style;
    BYTE state;
};

const ToolbarItem ToolbarItems[] = {
    {TextToolFreehand, CmdToolFreehand, 0, CheckGroupStyle, TBSTATE_CHECKED | TBSTATE_ENABLED},
    {TextToolLine, CmdToolLine, 1, CheckGroupStyle, TBSTATE_ENABLED},
    {TextToolEllipse, CmdToolEllipse, 2, CheckGroupStyle, TBSTATE_ENABLED},
    {TextToolRectangle, CmdToolRectangle, 3, CheckGroupStyle, TBSTATE_ENABLED},
    {nullptr, 0, 0, BTNS_SEP, 0},
    {nullptr, 0, PickerSeparatorWidth, BTNS_SEP, 0},
    {nullptr, 0, 0, BTNS_SEP, 0},
    {TextPenColor, CmdPenColor, 5, DropDownStyle, TBSTATE_ENABLED},
    {TextFillColor, CmdFillColor, 6, DropDownStyle, TBSTATE_ENABLED},
    {nullptr, 0, 0, BTNS_SEP, 0},
    {TextClear, CmdClear, 7, PushStyle, TBSTATE_ENABLED},
};

HMENU ChildId(int id)
{
    return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

void InsertToolbarItems(HWND toolbar)
{
    for (const ToolbarItem& item : ToolbarItems) {
        TBBUTTON button = {};
        button.iBitmap = item.image;
        button.idCommand = item.command;
        button.fsState = item.state;
        button.fsStyle = item.style;
        button.dwData = 0;
        button.iString = reinterpret_cast<INT_PTR>(item.label);
        SendMessageA(toolbar, TB_INSERTBUTTONA, AppendIndex, reinterpret_cast<LPARAM>(&button));
    }
}

// The picker lies over the wide separator, one pixel inside it. It is
// created under the rebar and then moved under the toolbar, whose
// client coordinates are the same ones the item rectangle is given in.
HWND CreatePicker(HWND rebar, HWND toolbar)
{
    RECT item = {};
    SendMessageA(toolbar, TB_GETITEMRECT, PickerItemIndex, reinterpret_cast<LPARAM>(&item));
    HWND picker = CreateWindowExA(0, SizePickerClassName, nullptr, PickerStyle, item.left + 1, item.top + 1,
                                  item.right - item.left - 2, item.bottom - item.top - 2, rebar, ChildId(IdSizePicker),
                                  gBoardModuleInstance, nullptr);
    if (picker)
        SetParent(picker, toolbar);
    return picker;
}

void AddToolbarBand(HWND rebar, HWND toolbar)
{
    SIZE maxSize = {};
    SendMessageA(toolbar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&maxSize));
    const DWORD buttonSize = static_cast<DWORD>(SendMessageA(toolbar, TB_GETBUTTONSIZE, 0, 0));

    REBARBANDINFOA band = {};
    band.cbSize = REBARBANDINFOA_V6_SIZE;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_ID | RBBIM_IDEALSIZE;
    band.fStyle = RBBS_CHILDEDGE | RBBS_NOVERT;
    band.hwndChild = toolbar;
    band.cxMinChild = maxSize.cx;
    band.cyMinChild = HIWORD(buttonSize);
    band.cxIdeal = maxSize.cx;
    band.wID = IdToolbar;
    SendMessageA(rebar, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

}  // namespace

HWND CreateBoardRebar(HWND frame)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_COOL_CLASSES | ICC_USEREX_CLASSES};
    InitCommonControlsEx(&controls);

    BoardWindowState* state = BoardStateOf(frame);
    HWND rebar = CreateWindowExA(0, REBARCLASSNAMEA, nullptr, RebarStyle, 0, 0, RebarFirstWidth, RebarFirstHeight,
                                 frame, ChildId(IdRebar), gBoardModuleInstance, nullptr);
    if (state)
        state->rebarWindow = rebar;
    if (!rebar)
        return nullptr;

    REBARINFO bar = {};
    bar.cbSize = sizeof bar;
    bar.fMask = 0;
    bar.himl = nullptr;
    SendMessageA(rebar, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&bar));

    HWND toolbar = CreateBoardToolbar(rebar);
    if (state)
        state->toolbarWindow = toolbar;
    if (!toolbar)
        ShowFailureBox(ToolbarMissingBoxText);
    return rebar;
}

HWND CreateBoardToolbar(HWND rebar)
{
    BoardWindowState* state = BoardStateOf(GetParent(rebar));

    HWND toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr, ToolbarStyle, 0, 0, 0, 0, rebar, ChildId(IdToolbar),
                                   gBoardModuleInstance, nullptr);
    if (state)
        state->toolbarWindow = toolbar;
    if (!toolbar) {
        ShowFailureBox(ToolbarFailedBoxText);
        return nullptr;
    }

    SendMessageA(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // The list belongs to the plugin; the toolbar only borrows it (a
    // toolbar never destroys the image list it was given).
    SendMessageA(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(gBoardImageList));
    InsertToolbarItems(toolbar);

    HWND picker = CreatePicker(rebar, toolbar);
    if (state)
        state->sizePickerWindow = picker;

    AddToolbarBand(rebar, toolbar);
    return toolbar;
}
