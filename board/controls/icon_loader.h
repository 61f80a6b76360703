// Picking one image of an icon group by size and colour depth.
#ifndef OBOARD_CONTROLS_ICON_LOADER_H
#define OBOARD_CONTROLS_ICON_LOADER_H

#include <windows.h>

// True when comctl32.dll is at least major.minor (cached after the first
// successful look-up).
bool ComctlVersionAtLeast(unsigned major, unsigned minor);

// The image of `group` whose width is `size`, at most `depth` bits deep
// (24 instead of 32 below comctl32 6.0, which cannot show alpha); null when
// the group or its image cannot be loaded. The caller destroys the icon.
HICON LoadIconImage(HINSTANCE instance, int group, int size, int depth);

#endif
