// Reading back the images of the board image list.
#ifndef TESTS_BOARD_IMAGE_LIST_TEST_SUPPORT_H
#define TESTS_BOARD_IMAGE_LIST_TEST_SUPPORT_H

#include "pe_image.h"
#include "plugin_fixture.h"

#include <commctrl.h>

// True when image `index` of `list` carries partial or full alpha in its
// colour bitmap, as only the 32-bit icon images do.
bool ImageHasAlpha(HIMAGELIST list, int index);

#endif
