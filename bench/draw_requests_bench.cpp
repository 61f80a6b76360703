// Measures how fast a board takes drawing requests from other plugins and
// how fast it paints: prints requests and paints per second. Not a test; run
// it under Wine:  scripts/with-wine wine build/bin/oboard_bench.exe
#include "stand_in_host.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

template <typename F> double PerSecond(int count, F work)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i)
        work(i);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return count / elapsed.count();
}

}  // namespace

int main()
{
    StandInHost host;
    LoadedPlugin plugin((ProgramDirectory() + "oboard.dll").c_str());
    if (!plugin.Loaded()) {
        std::fprintf(stderr, "cannot load oboard.dll\n");
        return 1;
    }
    plugin.Start(host);
    host.config[ColBoardWidth] = 700;
    host.config[ColBoardHeight] = 600;
    plugin.Send(MsgOpenBoard, 1, static_cast<int32_t>(reinterpret_cast<intptr_t>("Bench")), 1);
    HWND frame = FindWindowA("botgrafwnd", "Grafika - Bench");
    HWND canvas = FindWindowExA(frame, nullptr, "oknorysowania", nullptr);
    if (!frame || !canvas) {
        std::fprintf(stderr, "the board did not open\n");
        return 1;
    }

    plugin.Send(MsgRequestFillEnabled, 1, 1, 1);
    const int requests = 20000;
    std::printf("lines:      %8.0f requests/s\n", PerSecond(requests, [&](int i) {
                    plugin.SendDraw(MsgDrawLine, 1, 1, i % 640, 0, 639 - i % 640, 479);
                }));
    std::printf("rectangles: %8.0f requests/s\n", PerSecond(requests, [&](int i) {
                    plugin.SendDraw(MsgDrawRectangle, 1, 1, i % 600, i % 400, i % 600 + 40, i % 400 + 60);
                }));
    std::printf("ellipses:   %8.0f requests/s\n", PerSecond(requests, [&](int i) {
                    plugin.SendDraw(MsgDrawEllipse, 1, 1, i % 600, i % 400, i % 600 + 40, i % 400 + 60);
                }));
    std::printf("paints:     %8.0f full repaints/s\n",
                PerSecond(2000, [&](int) { RedrawWindow(canvas, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }));
    plugin.Stop();
    return 0;
}
