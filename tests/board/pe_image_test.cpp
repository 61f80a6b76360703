// The test programs' look into a loaded module: globals found by name in the
// module's symbol table, and an import routed elsewhere and back.
#include "plugin_fixture.h"

#include <commctrl.h>

#include "pe_image.h"

namespace {

BOOL WINAPI RefuseInvalidate(HWND, const RECT*, BOOL)
{
    return FALSE;
}

TEST_F(PluginTest, GlobalsAreFoundByTheirNames)
{
    // The plugin's image list exists once the user interface has started.
    HIMAGELIST* list = ModuleGlobal<HIMAGELIST>(plugin->Module(), "gBoardImageList");
    ASSERT_NE(nullptr, list);
    EXPECT_NE(nullptr, *list);
    Send(MsgUiEnd);
    EXPECT_EQ(nullptr, *list);

    EXPECT_EQ(nullptr, FindModuleSymbol(plugin->Module(), "NoSuchGlobalAnywhere"));
    EXPECT_EQ(nullptr, FindModuleSymbol(nullptr, "gBoardImageList"));
}

TEST_F(PluginTest, ImportPatchRoutesTheImportAndPutsItBack)
{
    void** slot = FindImportSlot(plugin->Module(), "user32.dll", "InvalidateRect");
    ASSERT_NE(nullptr, slot);
    void* const original = *slot;
    {
        ImportPatch patch(plugin->Module(), "USER32.dll", "InvalidateRect", reinterpret_cast<void*>(&RefuseInvalidate));
        ASSERT_TRUE(patch.Applied());
        EXPECT_EQ(original, patch.Original());
        EXPECT_EQ(reinterpret_cast<void*>(&RefuseInvalidate), *slot);
    }
    EXPECT_EQ(original, *slot);

    ImportPatch missing(plugin->Module(), "user32.dll", "NoSuchFunction", reinterpret_cast<void*>(&RefuseInvalidate));
    EXPECT_FALSE(missing.Applied());
    EXPECT_EQ(nullptr, FindImportSlot(plugin->Module(), "nosuch.dll", "InvalidateRect"));
}

}  // namespace
