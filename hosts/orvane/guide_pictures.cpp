// guide_pictures.exe: the pictures of the plugin-message guide. Loads
// oboard.dll from beside itself into the stand-in host, runs the guide's C
// snippets in order, as another plugin of the host would (their messages go
// through HostCore::HostMessage, which the host hands on to the board
// plugin), and saves NAME.bmp in DIR after each step that has a picture.
//
//   guide_pictures.exe DIR
//
// Boards open at a fixed place and size; canvas pictures show the whole
// 640x480 picture of the board, for which the frame is made large enough.
#include "board_demo.h"
#include "guide_steps.h"
#include "oboard/board_ui.h"
#include "stand_in_host.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

// A host that routes other plugins' messages as the real one does: a
// message whose id begins with a plugin's network number goes to that
// plugin, and its answer comes back.
class RoutingHost : public StandInHost {
public:
    LoadedPlugin* board = nullptr;

protected:
    int HandleMessage(const PluginMessage& message) override
    {
        if (board && message.id / 1000 == PluginNet) {
            // The sender's own record (a DrawRequest is longer than 30 bytes).
            return static_cast<int>(board->SendRecord(const_cast<PluginMessage*>(&message)));
        }
        return StandInHost::HandleMessage(message);
    }
};

// New boards open at this place and size (the settings columns).
void PlaceNewBoards(StandInHost& host)
{
    host.config[ColBoardX] = 20;
    host.config[ColBoardY] = 20;
    host.config[ColBoardWidth] = 520;
    host.config[ColBoardHeight] = 400;
}

void Redraw(HWND frame)
{
    SetForegroundWindow(frame);
    RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    PumpWaitingMessages();
}

bool SavePicture(const GuideStep& step, HWND frame, const std::string& path)
{
    if (step.picture == GuidePicture::Window) {
        Redraw(frame);
        return SaveWindowPicture(frame, path);
    }
    // Large enough that the canvas shows the whole picture.
    SetWindowPos(frame, nullptr, 0, 0, 720, 620, SWP_NOMOVE | SWP_NOZORDER);
    Redraw(frame);
    HWND canvas = FindWindowExA(frame, nullptr, CanvasClassName, nullptr);
    RECT client = {};
    if (!canvas || !GetClientRect(canvas, &client) || client.right < PictureWidth || client.bottom < PictureHeight)
        return false;
    return SaveClientPicture(canvas, PictureWidth, PictureHeight, path);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: guide_pictures.exe DIR\n");
        return 2;
    }
    const std::string directory = argv[1];

    RoutingHost host;
    if (!host.LoadContacts(ProgramDirectory() + "demo_contacts.txt"))
        std::fprintf(stderr, "cannot read the contacts beside the program\n");
    std::string pluginPath = ProgramDirectory() + "oboard.dll";
    LoadedPlugin plugin(pluginPath.c_str());
    if (!plugin.Loaded()) {
        std::fprintf(stderr, "cannot load %s (error %lu)\n", pluginPath.c_str(), GetLastError());
        return 1;
    }
    auto entry =
        reinterpret_cast<PluginEntry>(reinterpret_cast<void*>(GetProcAddress(plugin.Module(), "_IMessageProc@4")));
    host.board = &plugin;
    plugin.Start(host);

    int failures = 0;
    std::map<std::pair<int32_t, int32_t>, HWND> boards;  // by (net, contact)
    for (size_t i = 0; i < GuideStepCount; ++i) {
        const GuideStep& step = GuideSteps[i];
        const auto key = std::make_pair(step.net, step.contact);
        PlaceNewBoards(host);
        auto known = boards.find(key);
        if (step.clear && known != boards.end())
            SendMessageA(known->second, WM_COMMAND, CmdClear, 0);
        if (step.deliver)
            host.store.Deliver();

        const std::vector<HWND> before = BoardFrames();
        const intptr_t answer = step.run(&host, entry, step.net, step.contact);
        PumpWaitingMessages();
        for (HWND window : BoardFrames())
            if (std::find(before.begin(), before.end(), window) == before.end() && !boards.count(key))
                boards[key] = window;
        std::printf("%s: answered %ld\n", step.name, static_cast<long>(answer));

        if (step.picture == GuidePicture::None)
            continue;
        const std::string path = directory + "\\" + step.name + ".bmp";
        known = boards.find(key);
        if (known == boards.end() || !IsWindow(known->second)) {
            std::fprintf(stderr, "%s: no board (%d, %d) to picture\n", step.name, static_cast<int>(step.net),
                         static_cast<int>(step.contact));
            ++failures;
        } else if (!SavePicture(step, known->second, path)) {
            std::fprintf(stderr, "%s: cannot save %s\n", step.name, path.c_str());
            ++failures;
        } else {
            std::printf("picture saved: %s\n", path.c_str());
        }
    }
    plugin.Stop();
    return failures ? 1 : 0;
}
