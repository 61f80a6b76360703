// Counts the GDI and USER objects this process holds, by asking the system
// about every handle value it can hand out. Wine keeps no per-process count
// (GetGuiResources answers 0 there), but it accepts a handle by its 16-bit
// table index alone, so walking the indexes finds every live object: GDI
// objects by GetObjectType, windows by IsWindow (of this process), menus by
// IsMenu and icons and cursors by GetIconInfo. Where the system does count,
// its counts are reported beside.
#ifndef TESTS_FUZZ_HANDLE_CENSUS_H
#define TESTS_FUZZ_HANDLE_CENSUS_H

#include <windows.h>

#include <string>

struct HandleCensus {
    int gdi = 0;      // pens, brushes, bitmaps, contexts, fonts, regions...
    int windows = 0;  // windows of this process
    int menus = 0;
    int icons = 0;                        // icons and cursors
    DWORD systemGdi = 0, systemUser = 0;  // GetGuiResources, where it counts

    int User() const { return windows + menus + icons; }
    std::string Describe() const;
};

HandleCensus TakeCensus();

#endif
