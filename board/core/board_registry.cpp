#include "board_registry.h"

#include "host_interface.h"

#include "../windows/frame_window.h"
#include "../windows/module_instance.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <set>

namespace {

// Entries only: the module's unloading discards them without touching any
// window.
std::map<BoardKey, HWND> BoardRegistry;

// Keys whose window an OpenBoard further up the stack is making.
std::set<BoardKey> KeysBeingOpened;

bool BoardsAllowed = false;
// Counts the starts and ends of the user interface, so that an OpenBoard
// sees whether one happened during a call that could re-enter the plugin.
unsigned BoardSession = 0;

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

// Marks a key as being opened for the lifetime of one OpenBoard.
class OpeningKey {
public:
    explicit OpeningKey(const BoardKey& key) : key_(key)
    {
        try {
            marked_ = KeysBeingOpened.insert(key).second;
        } catch (const std::bad_alloc&) {
            marked_ = false;
        }
    }
    ~OpeningKey()
    {
        if (marked_)
            KeysBeingOpened.erase(key_);
    }
    OpeningKey(const OpeningKey&) = delete;
    OpeningKey& operator=(const OpeningKey&) = delete;
    bool Marked() const { return marked_; }

private:
    BoardKey key_;
    bool marked_;
};

// Restores and raises the open board `frame`. Showing it restored sends
// WM_SIZE, whose settings write may let the host close it.
int BringForward(HWND frame)
{
    ShowWindow(frame, SW_SHOWNORMAL);
    if (!IsWindow(frame))
        return 0;
    BringWindowToTop(frame);
    return 1;
}

}  // namespace

void AllowBoards()
{
    if (!BoardsAllowed) {
        BoardsAllowed = true;
        ++BoardSession;
    }
}

void RefuseBoards()
{
    if (BoardsAllowed) {
        BoardsAllowed = false;
        ++BoardSession;
    }
}

int OpenBoard(int32_t net, int32_t contact, const char* name)
{
    if (!BoardsAllowed)
        return 0;
    if (HWND open = FindBoardWindow(net, contact))
        return BringForward(open);

    // A call that re-entered the plugin while this key is being opened
    // further up leaves it to that call: one window per key.
    const BoardKey key = {net, contact};
    OpeningKey opening(key);
    if (!opening.Marked())
        return 0;
    const unsigned session = BoardSession;

    char* title = BuildTitle(name ? name : "");
    if (!title)
        return 0;

    const int x = GetConfigInt(ColBoardX);
    const int y = GetConfigInt(ColBoardY);
    const int width = GetConfigInt(ColBoardWidth);
    const int height = GetConfigInt(ColBoardHeight);
    if (session != BoardSession) {
        std::free(title);
        return 0;
    }

    // The frame copies the words while it is created: contact first, net second.
    int32_t creationWords[2] = {contact, net};
    HWND frame = CreateWindowExA(0, BoardFrameClassName, title, BoardFrameStyle, x, y, width, height, nullptr, nullptr,
                                 BoardModuleInstance, creationWords);
    std::free(title);
    if (!frame)
        return 0;
    // The user interface ended (and maybe started again) while the window
    // was made: nothing would ever close it, so it goes now.
    if (session != BoardSession || !IsWindow(frame)) {
        if (IsWindow(frame))
            DestroyWindow(frame);
        return 0;
    }

    if (!Register(key, frame)) {
        DestroyWindow(frame);
        return 0;
    }
    ShowWindow(frame, SW_SHOW);
    if (!IsWindow(frame))
        return 0;
    UpdateWindow(frame);
    return IsWindow(frame) ? 1 : 0;
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
