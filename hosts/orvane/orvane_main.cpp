// orvane.exe: the stand-in host program. Loads oboard.dll from beside itself
// the way the real host does, runs the plugin's lifecycle and prints what the
// plugin answered. Given a board, it opens it the way another plugin would
// (MsgOpenBoard) and runs the user interface until every board is closed.
//
//   orvane.exe [--config FILE] [--contacts FILE]
//              [--board NET CONTACT NAME [--demo PICTURE.bmp]]
//
// The configuration table is kept in FILE between runs (default
// orvane_config.txt in the current directory); contacts come from a text
// file of "number net uid" lines. --demo draws strokes of every tool on the
// board through mouse input, saves a picture of the board window and ends.
#include "board_demo.h"
#include "stand_in_host.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string ModuleDirectory()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    if (slash)
        slash[1] = 0;
    return path;
}

const char* TextAt(intptr_t address)
{
    return address ? reinterpret_cast<const char*>(address) : "(null)";
}

BOOL CALLBACK CollectBoard(HWND window, LPARAM boards)
{
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (!std::strcmp(name, "botgrafwnd") && IsWindow(window))
        reinterpret_cast<std::vector<HWND>*>(boards)->push_back(window);
    return TRUE;
}

// The board frame windows of this thread.
std::vector<HWND> OpenBoards()
{
    std::vector<HWND> boards;
    EnumThreadWindows(GetCurrentThreadId(), CollectBoard, reinterpret_cast<LPARAM>(&boards));
    return boards;
}

// The user interface runs until the user has closed every board.
void RunUntilBoardsClosed()
{
    while (!OpenBoards().empty()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 250, QS_ALLINPUT);
        PumpWaitingMessages();
    }
}

struct Options {
    std::string configPath = "orvane_config.txt";
    std::string contactsPath;
    bool board = false;
    int32_t net = 0;
    int32_t contact = 0;
    std::string name;
    std::string demoPicture;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--config") && i + 1 < argc) {
            options.configPath = argv[++i];
        } else if (!std::strcmp(argv[i], "--contacts") && i + 1 < argc) {
            options.contactsPath = argv[++i];
        } else if (!std::strcmp(argv[i], "--board") && i + 3 < argc) {
            options.board = true;
            options.net = static_cast<int32_t>(std::strtol(argv[++i], nullptr, 10));
            options.contact = static_cast<int32_t>(std::strtol(argv[++i], nullptr, 10));
            options.name = argv[++i];
        } else if (!std::strcmp(argv[i], "--demo") && i + 1 < argc) {
            options.demoPicture = argv[++i];
        } else {
            std::fprintf(stderr, "usage: orvane.exe [--config FILE] [--contacts FILE] "
                                 "[--board NET CONTACT NAME [--demo PICTURE.bmp]]\n");
            return false;
        }
    }
    return true;
}

// Opens the board, then shows it to the user or, for a demo, draws on it
// and saves its picture. The result is the program's exit code.
int ShowBoard(LoadedPlugin& plugin, StandInHost& host, const Options& options)
{
    if (!options.demoPicture.empty()) {
        // A known place and a size that shows the whole picture.
        host.config[ColBoardX] = 20;
        host.config[ColBoardY] = 20;
        host.config[ColBoardWidth] = 700;
        host.config[ColBoardHeight] = 600;
    }
    plugin.Send(MsgOpenBoard, options.contact, static_cast<int32_t>(reinterpret_cast<intptr_t>(options.name.c_str())),
                options.net);
    PumpWaitingMessages();
    std::vector<HWND> boards = OpenBoards();
    if (boards.empty()) {
        std::fprintf(stderr, "the board did not open\n");
        return 1;
    }
    std::printf("board %d %d open\n", static_cast<int>(options.net), static_cast<int>(options.contact));
    if (options.demoPicture.empty()) {
        std::fflush(stdout);
        RunUntilBoardsClosed();
        return 0;
    }
    DrawDemoStrokes(boards.front());
    if (!SaveWindowPicture(boards.front(), options.demoPicture)) {
        std::fprintf(stderr, "cannot save %s\n", options.demoPicture.c_str());
        return 1;
    }
    std::printf("picture saved: %s\n", options.demoPicture.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options))
        return 2;

    StandInHost host;
    host.LoadConfig(options.configPath);
    if (!options.contactsPath.empty() && !host.LoadContacts(options.contactsPath))
        std::fprintf(stderr, "cannot read contacts from %s\n", options.contactsPath.c_str());

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

    int result = 0;
    if (options.board)
        result = ShowBoard(plugin, host, options);

    plugin.Stop();
    // A demo's fixed placement is not the user's.
    if (options.demoPicture.empty())
        host.SaveConfig(options.configPath);
    std::printf("plugin stopped\n");
    return result;
}
