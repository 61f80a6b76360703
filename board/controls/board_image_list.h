// The 16x16 image list shared by every board's toolbar.
#ifndef OBOARD_CONTROLS_BOARD_IMAGE_LIST_H
#define OBOARD_CONTROLS_BOARD_IMAGE_LIST_H

#include <windows.h>
#include <commctrl.h>

extern HIMAGELIST gBoardImageList;

void CreateBoardImageList();
void DestroyBoardImageList();

#endif
