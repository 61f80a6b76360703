// The stand-in host's main window, for trying boards by hand: the contacts,
// buttons that do what the real host and other plugins do (open a board,
// invite a contact, accept an invitation, draw, set drawing attributes,
// flash, ask for a board's state), a window of the stored messages, and a
// log pane of every call between host and plugin in both directions.
#ifndef ORVANE_HOST_WINDOW_H
#define ORVANE_HOST_WINDOW_H

#include "stand_in_host.h"

#include <cstdio>
#include <string>
#include <vector>

// Control ids of the host window and its stored-messages window.
enum HostWindowControl : int {
    IdContacts = 1001,  // list box; item data = contact number
    IdLog = 1002,       // read-only multi-line edit
    IdOpenBoard = 1101,
    IdInvite = 1102,
    IdAccept = 1103,
    IdStoredMessages = 1104,
    IdDrawLine = 1201,
    IdDrawEllipse = 1202,
    IdDrawRectangle = 1203,
    IdPenColor = 1204,
    IdFillColor = 1205,
    IdPenWidth = 1206,
    IdPenEnabled = 1207,
    IdFillEnabled = 1208,
    IdFlash = 1209,
    IdState = 1210,
    IdMessageList = 1301,  // list box of the stored-messages window
};

class HostWindow {
public:
    // The window talks to `plugin` (loaded, not started) for `host`, whose
    // contacts it lists; it logs every call the host records while it lives.
    HostWindow(StandInHost& host, LoadedPlugin& plugin);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    // Opens the window at (x, y) on the screen; false when it cannot be
    // opened (no display).
    bool Create(int x = CW_USEDEFAULT, int y = CW_USEDEFAULT);
    HWND Handle() const { return window_; }
    HWND Control(int id) const { return window_ ? GetDlgItem(window_, id) : nullptr; }
    // The stored-messages window while it is open, or null.
    HWND MessagesWindow() const { return messagesWindow_; }

    // Log lines are also written to `out` (orvane.exe's console).
    void EchoTo(FILE* out) { echo_ = out; }

    // The host's start-up order (MsgInit, MsgSetColumns, MsgUiPrepare,
    // MsgUiStart) and the plugin's identity, all through the log.
    void StartPlugin();
    // MsgUiEnd, once; closing the window does it too.
    void StopPlugin();

    // Runs the thread's messages until the user closes the window.
    void RunUntilClosed();

private:
    struct Target {
        int32_t contact = 0;
        int32_t net = 0;
        std::string name;
    };

    static LRESULT CALLBACK MainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MessagesProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static bool RegisterClasses();

    void CreateControls();
    void Layout(int width, int height);
    void ListContacts();
    void OnCommand(int id, int code);

    bool SelectedTarget(Target& target);
    void OpenBoard();
    void Invite();
    void Accept();
    void Draw(int id);
    void SetAttribute(int id);
    void AskBoard(uint32_t id);
    void ShowStoredMessages();
    void RefreshStoredMessages();

    intptr_t SendToPlugin(uint32_t id, int32_t p1 = 0, int32_t p2 = 0, int32_t boardNet = 0);
    // Hands `record` to the plugin and logs it, followed by the calls the
    // plugin made into the host while it handled it.
    intptr_t Deliver(PluginMessage* record);
    void OnHostCall(const HostCall& call);
    void Emit(const std::string& line);
    void AppendToPane(const std::string& line);

    StandInHost& host_;
    LoadedPlugin& plugin_;
    HWND window_ = nullptr;
    HWND messagesWindow_ = nullptr;
    FILE* echo_ = nullptr;
    bool started_ = false;
    // Lines of the calls in progress, innermost last: a message to the
    // plugin is logged when it returns, before the calls made during it.
    std::vector<std::vector<std::string>> pending_;
    // How often each button was pressed: drawings move on and attribute
    // values take turns.
    int presses_[16] = {};
};

#endif
