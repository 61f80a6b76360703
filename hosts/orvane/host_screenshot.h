// A picture of the host window after a few steps a user would take: the
// picture the README shows, made again by scripts/demo.
#ifndef ORVANE_HOST_SCREENSHOT_H
#define ORVANE_HOST_SCREENSHOT_H

#include "host_window.h"

#include <string>

// Opens a board, draws on it with other plugins' messages, invites a second
// contact and accepts the invitation, all through the window's own buttons,
// then saves the window (frame and children) as a 24-bit BMP file at `path`.
bool SaveHostWindowScreenshot(HostWindow& window, StandInHost& host, const std::string& path);

#endif
