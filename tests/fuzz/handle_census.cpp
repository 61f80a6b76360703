#include "handle_census.h"

#include <cstdio>

namespace {

// GDI handles index a table of 65536 entries; USER handles are
// 0x20 + 2 * index below 0xFFF0.
const unsigned GdiIndexes = 0x10000;
const unsigned FirstUserHandle = 0x20;
const unsigned LastUserHandle = 0xFFEF;

template <typename T> T FromValue(unsigned value)
{
    return reinterpret_cast<T>(static_cast<UINT_PTR>(value));
}

}  // namespace

std::string HandleCensus::Describe() const
{
    char text[160];
    std::snprintf(text, sizeof text, "GDI %d, USER %d (windows %d, menus %d, icons %d)", gdi, User(), windows, menus,
                  icons);
    std::string result = text;
    if (systemGdi || systemUser) {
        std::snprintf(text, sizeof text, "; system counts GDI %lu, USER %lu", systemGdi, systemUser);
        result += text;
    }
    return result;
}

HandleCensus TakeCensus()
{
    HandleCensus census;
    for (unsigned index = 0; index < GdiIndexes; ++index)
        if (GetObjectType(FromValue<HGDIOBJ>(index)))
            ++census.gdi;
    const DWORD process = GetCurrentProcessId();
    for (unsigned value = FirstUserHandle; value <= LastUserHandle; value += 2) {
        HWND window = FromValue<HWND>(value);
        if (IsWindow(window)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            census.windows += owner == process;
        }
        if (IsMenu(FromValue<HMENU>(value)))
            ++census.menus;
        ICONINFO info;
        if (GetIconInfo(FromValue<HICON>(value), &info)) {
            ++census.icons;
            // The copies of its bitmaps that GetIconInfo made.
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
            if (info.hbmMask)
                DeleteObject(info.hbmMask);
        }
    }
    census.systemGdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    census.systemUser = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    return census;
}
