// Test fixture: the stand-in host's window over a private copy of
// oboard.dll, driven the way a person drives it, with real mouse clicks, and
// read back from the outside: the log pane's text, the host's record of
// calls, the board windows and their pictures. Every wait is on observed
// state; the deadline only turns a hang into a failure.
#ifndef TESTS_HOST_WINDOW_HOST_WINDOW_FIXTURE_H
#define TESTS_HOST_WINDOW_HOST_WINDOW_FIXTURE_H

#include <gtest/gtest.h>

#include "host_window.h"
#include "board_picture.h"
#include "oboard/board_ui.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Board placement of the tests: beside the host window, never over its buttons.
const int BoardLeft = 1000;

class HostWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs messages until `condition` holds (true) or a generous deadline
    // passes (false).
    static bool WaitFor(const std::function<bool()>& condition);

    // A left click of the real mouse at a point of the screen.
    static void ClickAt(POINT screen);
    // Clicks item `index` of the contact list and waits until it is selected.
    void SelectContact(int index);
    // Clicks the button `id` and waits until the log pane has grown: every
    // button logs at least one line before its click is handled.
    void Press(int id);

    // The log pane's text, line by line, as the user sees it.
    std::vector<std::string> LogLines() const;
    // Index of the first line at or after `from` equal to `line`, or -1.
    int FindLine(const std::string& line, int from = 0) const;
    // Lines that start with `prefix`.
    int CountLines(const std::string& prefix) const;
    // The lines of a list box.
    static std::vector<std::string> ListLines(HWND list);

    static HWND BoardOf(int32_t net, int32_t contact);
    static std::string TitleOf(HWND window);

    StandInHost host;
    std::unique_ptr<LoadedPlugin> plugin;
    std::unique_ptr<HostWindow> window;
    std::string pluginCopy;
    std::string contactsFile;
};

#endif
