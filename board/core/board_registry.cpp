#include "board_registry.h"

#include "host_interface.h"

#include "../windows/frame_window.h"
#include "../windows/module_instance.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <new>

namespace {

// Entries only: the module's unloading discards them without touching any
// window.
std::map<BoardKey, HWND> BoardRegistry;

const char TitlePrefix[] = "Grafika - ";
const DWORD BoardFrameStyle = 0x00CE0000;  // caption, system menu, sizing border, minimize box

// The entry of `key` if its window is still alive. An entry whose window has
// gone is dropped, so that a stale handle never reaches the caller.
std::map<BoardKey, HWND>::iterator FindLiveEntry(const BoardKey& key)
{
    auto found = BoardRegistry.find(key);
    if (found != BoardRegistry.end() && !IsWindow(found->second)) {
        BoardRegistry.erase(found);
        return BoardRegistry.end();
    }
    return found;
}

// "Grafika - " + name in a new block the caller frees, or null.
char* BuildTitle(const char* name)
{
    const size_t prefixLength = sizeof TitlePrefix - 1;
    const size_t nameLength = std::strlen(name);
    char* title = static_cast<char*>(std::malloc(prefixLength + nameLength + 1));
    if (!title)
        return nullptr;
    std::memcpy(title, TitlePrefix, prefixLength);
    std::memcpy(title + prefixLength, name, nameLength + 1);
    return title;
}

bool Register(const BoardKey& key, HWND frame)
{
    try {
        BoardRegistry[key] = frame;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

int OpenBoard(int32_t net, int32_t contact, const char* name)
{
    const BoardKey key = {net, contact};
    if (!BoardRegistry.empty()) {
        auto found = FindLiveEntry(key);
        if (found != BoardRegistry.end()) {
            ShowWindow(found->second, SW_SHOWNORMAL);
            BringWindowToTop(found->second);
            return 1;
        }
    }

    char* title = BuildTitle(name ? name : "");
    if (!title)
        return 0;

    const int x = GetConfigInt(ColBoardX);
    const int y = GetConfigInt(ColBoardY);
    const int width = GetConfigInt(ColBoardWidth);
    const int height = GetConfigInt(ColBoardHeight);

    // The frame copies the words while it is created: contact first, net second.
    int32_t creationWords[2] = {contact, net};
    HWND frame = CreateWindowExA(0, BoardFrameClassName, title, BoardFrameStyle, x, y, width, height, nullptr, nullptr,
                                 BoardModuleInstance, creationWords);
    std::free(title);
    if (!frame)
        return 0;

    if (!Register(key, frame)) {
        DestroyWindow(frame);
        return 0;
    }
    ShowWindow(frame, SW_SHOW);
    UpdateWindow(frame);
    return 1;
}

void CloseAllBoards()
{
    while (!BoardRegistry.empty()) {
        const BoardKey key = BoardRegistry.begin()->first;
        const HWND frame = BoardRegistry.begin()->second;
        if (IsWindow(frame))
            SendMessageA(frame, WM_CLOSE, 0, 0);
        // A frame removes its entry when it closes. If this one did not (its
        // window was already gone, or it ignored the message), drop the entry
        // here and make sure no board window stays behind, so the loop ends.
        auto found = BoardRegistry.find(key);
        if (found != BoardRegistry.end() && found->second == frame) {
            BoardRegistry.erase(found);
            if (IsWindow(frame))
                DestroyWindow(frame);
        }
    }
}

HWND FindBoardWindow(int32_t net, int32_t contact)
{
    if (BoardRegistry.empty())
        return nullptr;
    auto found = FindLiveEntry(BoardKey {net, contact});
    return found == BoardRegistry.end() ? nullptr : found->second;
}

void ForgetBoardWindow(const BoardKey& key, HWND frame)
{
    if (BoardRegistry.empty())
        return;
    auto found = BoardRegistry.find(key);
    if (found != BoardRegistry.end() && found->second == frame)
        BoardRegistry.erase(found);
}
