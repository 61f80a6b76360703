// orvane.exe: the stand-in host program. Loads oboard.dll from beside itself
// the way the real host does, runs the plugin's lifecycle and prints what the
// plugin answered. Given a board, it opens it the way another plugin would
// (MsgOpenBoard) and runs the user interface until every board is closed.
// Given none of --board, --invite, --accept and --demo, it opens its main
// window instead, to try boards by hand, and runs until that is closed.
//
//   orvane.exe [--config FILE] [--contacts FILE] [--board NET CONTACT NAME]
//              [--invite NET CONTACT NAME] [--accept] [--demo PICTURE.bmp]
//              [--menu-picture PICTURE.bmp]
//   orvane.exe [--config FILE] [--contacts FILE] [--screenshot PICTURE.bmp]
//
// --board opens a board the way another plugin would. --invite sends an
// invitation to board (NET, CONTACT) to the contact CONTACT; --accept plays
// the contact's side: the sent invitation arrives and the user activates the
// board item on it, which opens the board it names.
//
// The configuration table is kept in FILE between runs (default
// orvane_config.txt in the current directory); contacts come from a text
// file of "number net uid" lines (for the window, demo_contacts.txt beside
// the program when none is given). --demo draws strokes of every tool on the
// board through mouse input, saves a picture of the board window and ends;
// with --menu-picture it also saves one of the board with its context menu
// open.
// --screenshot opens the main window, takes a few steps in it, saves its
// picture and ends. Without a display the main window cannot open: the
// program then only runs the plugin's lifecycle.
#include "board_demo.h"
#include "host_screenshot.h"
#include "host_window.h"
#include "stand_in_host.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* TextAt(intptr_t address)
{
    return address ? reinterpret_cast<const char*>(address) : "(null)";
}

// The user interface runs until the user has closed every board.
void RunUntilBoardsClosed()
{
    while (!BoardFrames().empty()) {
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
    bool invite = false;
    int32_t inviteNet = 0;
    int32_t inviteContact = 0;
    std::string inviteName;
    bool accept = false;
    std::string demoPicture;
    std::string menuPicture;
    std::string screenshot;

    // The main window opens unless one of the console modes is asked for.
    bool WindowMode() const { return !board && !invite && !accept && demoPicture.empty(); }
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
        } else if (!std::strcmp(argv[i], "--invite") && i + 3 < argc) {
            options.invite = true;
            options.inviteNet = static_cast<int32_t>(std::strtol(argv[++i], nullptr, 10));
            options.inviteContact = static_cast<int32_t>(std::strtol(argv[++i], nullptr, 10));
            options.inviteName = argv[++i];
        } else if (!std::strcmp(argv[i], "--accept")) {
            options.accept = true;
        } else if (!std::strcmp(argv[i], "--demo") && i + 1 < argc) {
            options.demoPicture = argv[++i];
        } else if (!std::strcmp(argv[i], "--menu-picture") && i + 1 < argc) {
            options.menuPicture = argv[++i];
        } else if (!std::strcmp(argv[i], "--screenshot") && i + 1 < argc) {
            options.screenshot = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: orvane.exe [--config FILE] [--contacts FILE] [--board NET CONTACT NAME]\n"
                         "                  [--invite NET CONTACT NAME] [--accept] [--demo PICTURE.bmp]\n"
                         "                  [--menu-picture PICTURE.bmp]\n"
                         "       orvane.exe [--config FILE] [--contacts FILE] [--screenshot PICTURE.bmp]\n");
            return false;
        }
    }
    if (!options.menuPicture.empty() && options.demoPicture.empty()) {
        std::fprintf(stderr, "--menu-picture goes with --demo\n");
        return false;
    }
    if (!options.screenshot.empty() && !options.WindowMode()) {
        std::fprintf(stderr, "--screenshot goes with none of --board, --invite, --accept and --demo\n");
        return false;
    }
    return true;
}

void SendInvitation(LoadedPlugin& plugin, StandInHost& host, const Options& options)
{
    plugin.Send(MsgInviteBoard, options.inviteContact, AddressWord(options.inviteName.c_str()), options.inviteNet);
    for (const auto& entry : host.store.Messages()) {
        const StoredMessage& message = entry.second;
        std::printf("invitation %d to %s (net %d): \"%s\"%s\n", entry.first, message.uid1.c_str(),
                    static_cast<int>(message.record.messageNet), message.body.c_str(),
                    message.state == StoredMessage::Sent ? ", sent" : "");
    }
}

// The contact's side: what was sent arrives, and the user activates the
// board item attached to it.
void AcceptInvitation(LoadedPlugin& plugin, StandInHost& host)
{
    std::printf("invitations arrived: %d\n", host.store.Deliver());
    ActionNotify notify = {};
    notify.size = sizeof notify;
    notify.action.id = ActionBoard;
    notify.code = 1;
    plugin.Send(MsgAction, AddressWord(&notify));
}

// Shows the open boards to the user or, for a demo, draws on the first one
// (with the mouse and with plugin messages) and saves its picture. The
// result is the program's exit code.
int ShowBoards(LoadedPlugin& plugin, const Options& options)
{
    PumpWaitingMessages();
    std::vector<HWND> boards = BoardFrames();
    if (boards.empty()) {
        std::fprintf(stderr, "no board is open\n");
        return 1;
    }
    for (HWND board : boards) {
        char title[300] = {};
        GetWindowTextA(board, title, sizeof title);
        std::printf("open: \"%s\"\n", title);
    }
    if (options.demoPicture.empty()) {
        std::fflush(stdout);
        RunUntilBoardsClosed();
        return 0;
    }
    DrawDemoStrokes(boards.front());
    if (options.board)
        DrawByPluginMessages(plugin, options.net, options.contact);
    else if (options.invite)
        DrawByPluginMessages(plugin, options.inviteNet, options.inviteContact);
    RedrawWindow(boards.front(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    PumpWaitingMessages();
    if (!SaveWindowPicture(boards.front(), options.demoPicture)) {
        std::fprintf(stderr, "cannot save %s\n", options.demoPicture.c_str());
        return 1;
    }
    std::printf("picture saved: %s\n", options.demoPicture.c_str());
    if (options.menuPicture.empty())
        return 0;
    if (!SaveMenuPicture(boards.front(), options.menuPicture)) {
        std::fprintf(stderr, "cannot save %s\n", options.menuPicture.c_str());
        return 1;
    }
    std::printf("picture saved: %s\n", options.menuPicture.c_str());
    return 0;
}

// The main window, until the user closes it (or, for a screenshot, until
// its picture is saved). False when it cannot open: there is no display.
bool RunHostWindow(StandInHost& host, LoadedPlugin& plugin, const Options& options, int& result)
{
    HostWindow window(host, plugin);
    window.EchoTo(stdout);
    if (!window.Create(10, 10))
        return false;
    window.StartPlugin();
    result = 0;
    if (options.screenshot.empty()) {
        window.RunUntilClosed();
        host.SaveConfig(options.configPath);
        return true;
    }
    if (SaveHostWindowScreenshot(window, host, options.screenshot)) {
        std::printf("picture saved: %s\n", options.screenshot.c_str());
    } else {
        std::fprintf(stderr, "cannot save %s\n", options.screenshot.c_str());
        result = 1;
    }
    // The screenshot's fixed placement is not the user's: no config saved.
    SendMessageA(window.Handle(), WM_CLOSE, 0, 0);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options))
        return 2;

    StandInHost host;
    host.LoadConfig(options.configPath);
    if (options.contactsPath.empty() && options.WindowMode())
        options.contactsPath = ProgramDirectory() + "demo_contacts.txt";
    if (!options.contactsPath.empty() && !host.LoadContacts(options.contactsPath))
        std::fprintf(stderr, "cannot read contacts from %s\n", options.contactsPath.c_str());

    std::string pluginPath = ProgramDirectory() + "oboard.dll";
    LoadedPlugin plugin(pluginPath.c_str());
    if (!plugin.Loaded()) {
        std::fprintf(stderr, "cannot load %s (error %lu)\n", pluginPath.c_str(), GetLastError());
        return 1;
    }
    std::printf("loaded %s\n", pluginPath.c_str());

    if (options.WindowMode()) {
        int result = 0;
        if (RunHostWindow(host, plugin, options, result)) {
            std::printf("plugin stopped\n");
            return result;
        }
        std::fprintf(stderr, "no display: the host window cannot open\n");
        if (!options.screenshot.empty())
            return 1;
    }

    plugin.Start(host);
    std::printf("network number: %d\n", static_cast<int>(plugin.Send(MsgGetNet)));
    std::printf("name:           %s\n", TextAt(plugin.Send(MsgGetName)));
    std::printf("version:        %s\n", TextAt(plugin.Send(MsgGetVersion)));
    std::printf("signature:      %s\n", TextAt(plugin.Send(MsgGetSignature)));
    std::printf("settings columns defined: %zu\n", host.CallsOf(HostCall::Message, MsgSetColumn).size());
    for (const HostCall& call : host.CallsOf(HostCall::Message, MsgAddAction))
        std::printf("user-interface item: \"%s\"\n", call.text.c_str());

    if (!options.demoPicture.empty()) {
        // A known place and a size that shows the whole picture.
        host.config[ColBoardX] = 20;
        host.config[ColBoardY] = 20;
        host.config[ColBoardWidth] = 700;
        host.config[ColBoardHeight] = 600;
    }
    if (options.board)
        plugin.Send(MsgOpenBoard, options.contact, AddressWord(options.name.c_str()), options.net);
    if (options.invite)
        SendInvitation(plugin, host, options);
    if (options.accept)
        AcceptInvitation(plugin, host);
    int result = 0;
    if (options.board || options.accept)
        result = ShowBoards(plugin, options);

    plugin.Stop();
    // A demo's fixed placement is not the user's.
    if (options.demoPicture.empty())
        host.SaveConfig(options.configPath);
    std::printf("plugin stopped\n");
    return result;
}
