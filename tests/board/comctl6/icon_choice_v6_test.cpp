// The icon depth follows the common controls in use. This program carries a
// manifest asking for common controls 6.0.
#include "image_list_test_support.h"

#include <shlwapi.h>

namespace {

uint32_t ReportedComctlVersion()
{
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    auto getVersion =
        reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
    DLLVERSIONINFO info = {};
    info.cbSize = sizeof info;
    uint32_t version = 0;
    if (getVersion && getVersion(&info) >= 0)
        version = (info.dwMajorVersion << 16) | info.dwMinorVersion;
    FreeLibrary(comctl);
    return version;
}

class UnstartedPluginTest : public PluginTest {
protected:
    bool StartsPlugin() const override { return false; }
    void TearDown() override
    {
        plugin->Stop();
        PluginTest::TearDown();
    }
};

TEST_F(PluginTest, ImagesFollowTheVersionCommonControlsReport)
{
    auto cached = ModuleGlobal<uint32_t>(plugin->Module(), "_ZN12_GLOBAL__N_120gCachedComctlVersionE");
    ASSERT_NE(nullptr, cached);
    EXPECT_EQ(ReportedComctlVersion(), *cached);
    HIMAGELIST* list = ModuleGlobal<HIMAGELIST>(plugin->Module(), "gBoardImageList");
    ASSERT_NE(nullptr, list);
    ASSERT_EQ(8, ImageList_GetImageCount(*list));
    const bool six = *cached >= 0x60000;
    for (int image = 0; image < 8; ++image)
        EXPECT_EQ(six, ImageHasAlpha(*list, image)) << image;
}

TEST_F(UnstartedPluginTest, CommonControlsSixGetTheThirtyTwoBitImages)
{
    // Wine's 6.0 assembly still answers 5.81 from DllGetVersion, so the
    // plugin is told the version a Windows 6.0 library would report.
    auto cached = ModuleGlobal<uint32_t>(plugin->Module(), "_ZN12_GLOBAL__N_120gCachedComctlVersionE");
    ASSERT_NE(nullptr, cached);
    *cached = 0x00060000;
    plugin->Start(host);
    HIMAGELIST* list = ModuleGlobal<HIMAGELIST>(plugin->Module(), "gBoardImageList");
    ASSERT_NE(nullptr, list);
    ASSERT_EQ(8, ImageList_GetImageCount(*list));
    for (int image = 0; image < 8; ++image)
        EXPECT_TRUE(ImageHasAlpha(*list, image)) << image;
}

}  // namespace
