#include "controls/color_menu.h"

#include <commdlg.h>

#include "common/board_window_state.h"
#include "common/kept_quirks.h"
#include "common/ui_texts.h"
#include "oboard/board_ui.h"

COLORREF gCustomColors[CustomColorCount] = {};

namespace {

// Inserting a separator at this position, past the end, appends it.
const UINT AppendPosition = 2047;

const COLORREF NoSwatch = CLR_INVALID;

// The bitmap part of every item, and the swatch in it: a 12-pixel square
// from (3, 3), right and bottom edges excluded.
const UINT SwatchPartWidth = 5;
const UINT SwatchPartHeight = 16;
const int SwatchFirst = 3;
const int SwatchEnd = 15;

struct ColorEntry {
    int id;  // 0 for a separator
    const char* text;
    COLORREF pen;  // pen colour, also the swatch
    COLORREF fill;
};

const ColorEntry ColorEntries[] = {
    {MenuColorNone, TextColorNone, NoSwatch, NoSwatch},
    {0, nullptr, NoSwatch, NoSwatch},
    {MenuColorBlack, TextColorBlack, 0x00000000, 0x00000000},
    {MenuColorRed, TextColorRed, 0x00172DE8, 0x00172DE8},
    {MenuColorYellow, TextColorYellow, 0x0000FFFF, 0x0000FFFF},
    {MenuColorGreen, TextColorGreen, 0x0048E41B, 0x0048E41B},
    {MenuColorBlue, TextColorBlue, 0x00FFC600, 0x00FFC600},
    {MenuColorNavy, TextColorNavy, NavyPenColor, NavyFillColor},
    {MenuColorPink, TextColorPink, 0x00FF00FF, 0x00FF00FF},
    {MenuColorWhite, TextColorWhite, 0x00FFFFFF, 0x00FFFFFF},
    {0, nullptr, NoSwatch, NoSwatch},
    {MenuColorOther, TextColorOther, NoSwatch, NoSwatch},
};

const ColorEntry* FindEntry(UINT id)
{
    for (const ColorEntry& entry : ColorEntries)
        if (entry.id != 0 && static_cast<UINT>(entry.id) == id)
            return &entry;
    return nullptr;
}

void AppendColorItem(HMENU menu, const ColorEntry& entry)
{
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    if (!entry.id) {
        item.fMask = MIIM_FTYPE;
        item.fType = MFT_SEPARATOR;
        item.wID = 0;
        InsertMenuItemA(menu, AppendPosition, TRUE, &item);
        return;
    }
    item.fMask = MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_BITMAP;
    item.fState = 0;
    item.wID = entry.id;
    item.dwTypeData = const_cast<char*>(entry.text);
    item.hbmpItem = HBMMENU_CALLBACK;
    // By command: the menu holds no item of this id yet, so it appends.
    InsertMenuItemA(menu, entry.id, FALSE, &item);
}

// Asks for a colour in the system dialog; true when the user confirmed.
bool ChooseOtherColor(HWND frame, COLORREF& color)
{
    CHOOSECOLORA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = frame;
    dialog.rgbResult = color;
    dialog.lpCustColors = gCustomColors;
    dialog.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorA(&dialog))
        return false;
    color = dialog.rgbResult;
    return true;
}

}  // namespace

HMENU CreateColorMenu()
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    for (const ColorEntry& entry : ColorEntries)
        AppendColorItem(menu, entry);
    return menu;
}

LRESULT OpenColorMenu(HWND frame, const NMTOOLBARA* notification)
{
    if (!notification)
        return 0;
    UINT target;
    if (notification->iItem == CmdFillColor)
        target = MsgSetFillColor;
    else if (notification->iItem == CmdPenColor)
        target = MsgSetPenColor;
    else
        return 0;

    HWND toolbar = notification->hdr.hwndFrom;
    RECT button = {};
    SendMessageA(toolbar, TB_GETRECT, notification->iItem, reinterpret_cast<LPARAM>(&button));
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&button), 2);

    // The menu opens below the button and, where it does not fit there,
    // keeps clear of it.
    TPMPARAMS params = {};
    params.cbSize = sizeof params;
    params.rcExclude = button;

    HMENU menu = CreateColorMenu();
    if (!menu)
        return 0;
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, button.left, button.bottom, frame, &params));
    DestroyMenu(menu);
    if (chosen)
        SendMessageA(frame, target, chosen, 0);
    return 0;
}

LRESULT MeasureColorMenuItem(UINT controlId, MEASUREITEMSTRUCT* item)
{
    if (controlId != 0 || !item || item->CtlType != ODT_MENU)
        return 0;
    item->itemWidth = SwatchPartWidth;
    item->itemHeight = SwatchPartHeight;
    return TRUE;
}

LRESULT DrawColorMenuItem(UINT controlId, const DRAWITEMSTRUCT* item)
{
    if (controlId != 0 || !item || item->CtlType != ODT_MENU)
        return 0;
    const ColorEntry* entry = FindEntry(item->itemID);
    if (!entry || entry->pen == NoSwatch)
        return 0;

    // The menu normally moves the origin to the item's bitmap part. Where
    // it has not (origin still at 0, 0), the bitmap part's corner is taken
    // from the item rectangle so the swatch lands at the same place.
    POINT origin = {};
    GetViewportOrgEx(item->hDC, &origin);
    int dx = 0, dy = 0;
    if (origin.x == 0 && origin.y == 0) {
        dx = item->rcItem.left;
        dy = item->rcItem.top;
    }
    RECT swatch = {SwatchFirst + dx, SwatchFirst + dy, SwatchEnd + dx, SwatchEnd + dy};

    HBRUSH brush = CreateSolidBrush(entry->pen);
    if (!brush)
        return 0;
    FillRect(item->hDC, &swatch, brush);
    if (item->itemID == static_cast<UINT>(MenuColorWhite)) {
        // White on a white menu: the context's current pen outlines it.
        HGDIOBJ oldBrush = SelectObject(item->hDC, brush);
        Rectangle(item->hDC, swatch.left, swatch.top, swatch.right, swatch.bottom);
        SelectObject(item->hDC, oldBrush);
    }
    DeleteObject(brush);
    return 0;
}

LRESULT ApplyColorChoice(HWND frame, BoardWindowState& board, ColorTarget target, UINT itemId)
{
    BoardWindowState* state = &board;
    const bool fill = target == ColorTarget::Fill;
    COLORREF& color = fill ? state->fillColor : state->penColor;
    int32_t& enabled = fill ? state->fillEnabled : state->penEnabled;

    if (itemId == static_cast<UINT>(MenuColorNone)) {
        enabled = 0;
    } else if (itemId == static_cast<UINT>(MenuColorOther)) {
        COLORREF chosen = color;
        const bool confirmed = ChooseOtherColor(frame, chosen);
        // The board may have been closed while the dialog was open; its
        // record is then gone.
        state = IsWindow(frame) ? BoardStateOf(frame) : nullptr;
        if (!state)
            return 0;
        if (confirmed) {
            (fill ? state->fillColor : state->penColor) = chosen;
            (fill ? state->fillEnabled : state->penEnabled) = 1;
        }
    } else if (const ColorEntry* entry = FindEntry(itemId)) {
        if (entry->pen != NoSwatch) {
            color = fill ? entry->fill : entry->pen;
            enabled = 1;
        }
    }

    // Without a picker there is nothing to repaint (a null window here
    // would invalidate every window on the desktop).
    if (state->sizePickerWindow)
        InvalidateRect(state->sizePickerWindow, nullptr, TRUE);
    UpdateWindow(frame);
    return 0;
}
