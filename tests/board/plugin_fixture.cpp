#include "plugin_fixture.h"

#include <cstring>

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void PumpUntil(const std::function<bool()>& done)
{
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < 20000) {
        PumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PluginTest::SetUp()
{
    static int copies = 0;
    char tempDir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, tempDir);
    pluginCopy = std::string(tempDir) + "oboard_test_" + std::to_string(GetCurrentProcessId()) + "_" +
        std::to_string(++copies) + ".dll";
    std::string original = ProgramDirectory() + "oboard.dll";
    ASSERT_TRUE(CopyFileA(original.c_str(), pluginCopy.c_str(), FALSE)) << original;
    plugin.reset(new LoadedPlugin(pluginCopy.c_str()));
    ASSERT_TRUE(plugin->Loaded());
    host.pluginModule = plugin->Module();
    if (StartsPlugin())
        plugin->Start(host);
}

void PluginTest::TearDown()
{
    if (plugin && plugin->Loaded()) {
        if (StartsPlugin())
            plugin->Stop();
        PumpMessages();
        // The host never unloads a plugin mid-run; tests do, so the classes
        // of this copy go with it.
        for (const char* name : {BoardFrameClassName, CanvasClassName, SizePickerClassName})
            UnregisterClassA(name, plugin->Module());
    }
    plugin.reset();
    if (!pluginCopy.empty()) {
        // A plugin whose user interface ended while its own code ran holds
        // itself until this thread takes messages again.
        PumpUntil([&] { return !GetModuleHandleA(pluginCopy.c_str()); });
        DeleteFileA(pluginCopy.c_str());
    }
}
