// A private copy of oboard.dll loaded the way the host loads it, with two
// stand-in hosts that can be handed to it in turn, and with the plugin's
// modal imports (message boxes, the colour and save dialogs, the menus) answered
// at once so that nothing waits for a user. Shared by the fuzzer and the
// leak soak.
#ifndef TESTS_FUZZ_PLUGIN_SESSION_H
#define TESTS_FUZZ_PLUGIN_SESSION_H

#include "oboard/board_ui.h"
#include "stand_in_host.h"

#include <memory>
#include <string>
#include <vector>

class GdiLedger;
class ImportPatch;

// What the replaced modal imports answer.
struct ModalAnswers {
    UINT menuItem = 0;  // the colour menu's choice (0: dismissed)
    bool colourChosen = false;
    COLORREF colour = 0;   // the colour dialog's choice
    int messageBoxes = 0;  // how many message boxes were asked for
    std::string savePath;  // the save dialog's choice (empty: cancelled)
};

extern ModalAnswers gModal;

class PluginSession {
public:
    // `tag` makes the copy's file name unique to its user.
    explicit PluginSession(const std::string& tag);
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    bool Loaded() const { return plugin_ && plugin_->Loaded(); }
    LoadedPlugin& Plugin() { return *plugin_; }
    HMODULE Module() const { return plugin_->Module(); }

    // MsgInit with host 0 or 1 (or none: -1), then the host's start-up order.
    void Start(int host = 0);
    intptr_t Send(uint32_t id, int32_t p1 = 0, int32_t p2 = 0, int32_t boardNet = 0)
    {
        return plugin_->Send(id, p1, p2, boardNet);
    }

    StandInHost hosts[2];

private:
    std::string copy_;
    std::unique_ptr<LoadedPlugin> plugin_;
    std::vector<std::unique_ptr<ImportPatch>> patches_;
};

// The record of a board frame.
struct BoardWindowState;
BoardWindowState* BoardOf(HWND frame);

// Runs the calling thread's messages until none is left.
void PumpMessages();

#endif
