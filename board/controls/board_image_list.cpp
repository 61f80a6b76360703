#include "controls/board_image_list.h"

#include "common/host_interface.h"
#include "common/kept_quirks.h"
#include "controls/icon_loader.h"
#include "resource_ids.h"

HIMAGELIST gBoardImageList = nullptr;

namespace {

const int ToolbarImageSize = 16;
// The deepest images, with alpha; below comctl32 6.0 the loader takes the
// 8-bit ones instead.
const int ToolbarImageDepth = 32;

// Image index = position here: free-hand, line, ellipse, rectangle, widths,
// pen colour, fill colour, clear.
const int ToolbarImageGroups[] = {IDI_TOOL_FREEHAND,  IDI_TOOL_LINE, IDI_TOOL_ELLIPSE, IDI_TOOL_RECTANGLE,
                                  UnshownToolbarIcon, IDI_PEN_COLOR, IDI_FILL_COLOR,   IDI_CLEAR};
const int ToolbarImageCount = sizeof ToolbarImageGroups / sizeof ToolbarImageGroups[0];

}  // namespace

void CreateBoardImageList()
{
    // Toolbars of open boards use the list without owning it: a second
    // start keeps it rather than pulling it from under them.
    if (gBoardImageList)
        return;
    // Built aside and published when whole: the host may end the user
    // interface (and start it again, with a list of its own) from inside
    // one of the module-handle calls below.
    HIMAGELIST list =
        ImageList_Create(ToolbarImageSize, ToolbarImageSize, ILC_COLOR32 | ILC_MASK, ToolbarImageCount, 0);
    if (!list)
        return;
    for (int group : ToolbarImageGroups) {
        HICON icon = LoadIconImage(HostInstance(), group, ToolbarImageSize, ToolbarImageDepth);
        if (!icon)
            continue;
        // Index -1 appends.
        ImageList_ReplaceIcon(list, -1, icon);
        DestroyIcon(icon);
    }
    if (gBoardImageList)
        ImageList_Destroy(list);
    else
        gBoardImageList = list;
}

void DestroyBoardImageList()
{
    if (gBoardImageList) {
        ImageList_Destroy(gBoardImageList);
        gBoardImageList = nullptr;
    }
}
