// The toolbar image list built on MsgUiStart and released on MsgUiEnd, with
// the icon depth chosen for the common controls in use.
#include "image_list_test_support.h"

#include <commctrl.h>

namespace {

TEST_F(PluginTest, EightImagesAfterUiStartNoneAfterUiEnd)
{
    HIMAGELIST* list = ModuleGlobal<HIMAGELIST>(plugin->Module(), "gBoardImageList");
    ASSERT_NE(nullptr, list);
    ASSERT_NE(nullptr, *list);
    HIMAGELIST built = *list;
    EXPECT_EQ(8, ImageList_GetImageCount(built));
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(built, &cx, &cy));
    EXPECT_EQ(16, cx);
    EXPECT_EQ(16, cy);

    EXPECT_EQ(1, Send(MsgUiEnd));
    EXPECT_EQ(nullptr, *list);
}

TEST_F(PluginTest, SecondUiStartKeepsTheListToolbarsUse)
{
    HIMAGELIST* list = ModuleGlobal<HIMAGELIST>(plugin->Module(), "gBoardImageList");
    ASSERT_NE(nullptr, list);
    const HIMAGELIST first = *list;
    EXPECT_EQ(1, Send(MsgUiStart));
    EXPECT_EQ(first, *list);
    EXPECT_EQ(8, ImageList_GetImageCount(*list));
    // And after the end, a new start builds a new one.
    EXPECT_EQ(1, Send(MsgUiEnd));
    EXPECT_EQ(1, Send(MsgUiStart));
    ASSERT_NE(nullptr, *list);
    EXPECT_EQ(8, ImageList_GetImageCount(*list));
}

TEST_F(PluginTest, OldCommonControlsGetTheEightBitImages)
{
    // This program carries no manifest: comctl32 reports 5.x.
    HIMAGELIST* list = ModuleGlobal<HIMAGELIST>(plugin->Module(), "gBoardImageList");
    ASSERT_NE(nullptr, list);
    for (int image = 0; image < 8; ++image)
        EXPECT_FALSE(ImageHasAlpha(*list, image)) << image;
}

}  // namespace
