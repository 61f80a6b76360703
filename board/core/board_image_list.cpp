#include "board_image_list.h"

#include "host_interface.h"
#include "icon_loader.h"

HIMAGELIST BoardImageList = nullptr;

void CreateBoardImageList()
{
    // Toolbars of open boards use the list without owning it: a second
    // start keeps it rather than pulling it from under them.
    if (BoardImageList)
        return;
    BoardImageList = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 8, 0);
    if (!BoardImageList)
        return;
    // Image index = position here: free-hand, line, ellipse, rectangle,
    // widths, pen colour, fill colour, clear.
    static const int groups[] = {109, 107, 103, 102, 108, 106, 105, 104};
    for (int group : groups) {
        HICON icon = LoadIconImage(HostInstance(), group, 16, 32);
        if (!icon)
            continue;
        ImageList_ReplaceIcon(BoardImageList, -1, icon);
        DestroyIcon(icon);
    }
}

void DestroyBoardImageList()
{
    if (BoardImageList) {
        ImageList_Destroy(BoardImageList);
        BoardImageList = nullptr;
    }
}
