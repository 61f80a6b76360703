// The 16x16 image list shared by every board's toolbar.
#ifndef OBOARD_BOARD_IMAGE_LIST_H
#define OBOARD_BOARD_IMAGE_LIST_H

#include <windows.h>
#include <commctrl.h>

extern HIMAGELIST BoardImageList;

void CreateBoardImageList();
void DestroyBoardImageList();

#endif
