// orvane.exe: the stand-in host program. Loads oboard.dll from beside itself
// the way the real host does, runs the plugin's lifecycle and prints what the
// plugin answered.
//
//   orvane.exe [--config FILE] [--contacts FILE]
//
// The configuration table is kept in FILE between runs (default
// orvane_config.txt in the current directory); contacts come from a text
// file of "number net uid" lines.
#include "stand_in_host.h"

#include <cstdio>
#include <cstring>
#include <string>

static std::string ModuleDirectory()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    if (slash)
        slash[1] = 0;
    return path;
}

static const char* TextAt(intptr_t address)
{
    return address ? reinterpret_cast<const char*>(address) : "(null)";
}

int main(int argc, char** argv)
{
    std::string configPath = "orvane_config.txt";
    std::string contactsPath;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--config") && i + 1 < argc)
            configPath = argv[++i];
        else if (!std::strcmp(argv[i], "--contacts") && i + 1 < argc)
            contactsPath = argv[++i];
    }

    StandInHost host;
    host.LoadConfig(configPath);
    if (!contactsPath.empty() && !host.LoadContacts(contactsPath))
        std::fprintf(stderr, "cannot read contacts from %s\n", contactsPath.c_str());

    std::string pluginPath = ModuleDirectory() + "oboard.dll";
    LoadedPlugin plugin(pluginPath.c_str());
    if (!plugin.Loaded()) {
        std::fprintf(stderr, "cannot load %s (error %lu)\n", pluginPath.c_str(), GetLastError());
        return 1;
    }
    std::printf("loaded %s\n", pluginPath.c_str());

    plugin.Start(host);
    std::printf("network number: %d\n", static_cast<int>(plugin.Send(MsgGetNet)));
    std::printf("name:           %s\n", TextAt(plugin.Send(MsgGetName)));
    std::printf("version:        %s\n", TextAt(plugin.Send(MsgGetVersion)));
    std::printf("signature:      %s\n", TextAt(plugin.Send(MsgGetSignature)));
    std::printf("settings columns defined: %zu\n", host.CallsOf(HostCall::Message, MsgSetColumn).size());
    for (const HostCall& call : host.CallsOf(HostCall::Message, MsgAddAction))
        std::printf("user-interface item: \"%s\"\n", call.text.c_str());

    plugin.Stop();
    host.SaveConfig(configPath);
    std::printf("plugin stopped\n");
    return 0;
}
