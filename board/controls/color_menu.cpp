#include "color_menu.h"

COLORREF CustomColors[16] = {};

HMENU CreateColorMenu()
{
    return CreatePopupMenu();
}

LRESULT OpenColorMenu(HWND, const NMTOOLBARA*)
{
    return 0;
}

LRESULT MeasureColorMenuItem(WPARAM, MEASUREITEMSTRUCT*)
{
    return 0;
}

LRESULT DrawColorMenuItem(WPARAM, const DRAWITEMSTRUCT*)
{
    return 0;
}

LRESULT ApplyColorChoice(HWND, UINT, WPARAM)
{
    return 0;
}
