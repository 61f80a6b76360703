// Input as the user gives it (SendInput: keys to the focused window, the
// mouse at the real cursor), and modal windows the plugin opens found and
// driven from a second thread while the test's thread runs their loop.
#ifndef TESTS_BOARD_REAL_INPUT_H
#define TESTS_BOARD_REAL_INPUT_H

#include <windows.h>

#include "synthetic_input.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// PressKeys (of the stand-in host's synthetic input) gives the keys; the
// messages wait in the queue until pumped.

// Moves the real cursor to client point (x, y) of `window`, or presses or
// releases a button there (MOUSEEVENTF_LEFTDOWN, ...).
void MouseAt(HWND window, int x, int y, DWORD buttons = 0);

// A stroke with the left button from the first point through the others,
// each step handled before the next.
void RealStroke(HWND canvas, const std::vector<POINT>& points);

// Runs `watch` on a thread of its own while this thread handles its
// messages, and with them any modal loop they start, until `watch` returns.
void WhileWatching(const std::function<void()>& watch);

// For a watcher: waits for a visible top-level window of this process of
// `className` ("#32770" dialogs and message boxes, "#32768" menus) that
// `accept` takes; null after `timeout` milliseconds.
HWND AwaitWindow(const char* className, const std::function<bool(HWND)>& accept = nullptr, DWORD timeout = 20000);

// A menu's items as a watcher sees them while it is open.
struct MenuItemSeen {
    std::string text;
    bool greyed;
};
std::vector<MenuItemSeen> ItemsOfOpenMenu(HWND menuWindow);

// The text of a message box (its static text).
std::string MessageBoxText(HWND box);

#endif
