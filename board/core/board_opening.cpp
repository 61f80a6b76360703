#include "core/board_opening.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <set>

#include "common/board_registry.h"
#include "common/host_interface.h"
#include "common/module_instance.h"
#include "core/user_interface_session.h"
#include "oboard/board_ui.h"

namespace {

// Keys whose window an OpenBoard further up the stack is making.
std::set<BoardKey> gKeysBeingOpened;

// No maximize box: the frame is never larger than its picture needs.
const DWORD BoardFrameStyle = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;

// "Grafika - " + name in a new block the caller frees, or null.
char* BuildTitle(const char* name)
{
    const size_t prefixLength = sizeof BoardTitlePrefix - 1;
    const size_t nameLength = std::strlen(name);
    char* title = static_cast<char*>(std::malloc(prefixLength + nameLength + 1));
    if (!title)
        return nullptr;
    std::memcpy(title, BoardTitlePrefix, prefixLength);
    std::memcpy(title + prefixLength, name, nameLength + 1);
    return title;
}

// Marks a key as being opened for the lifetime of one OpenBoard.
class OpeningKey {
public:
    explicit OpeningKey(const BoardKey& key) : key_(key)
    {
        try {
            marked_ = gKeysBeingOpened.insert(key).second;
        } catch (const std::bad_alloc&) {
            marked_ = false;
        }
    }
    ~OpeningKey()
    {
        if (marked_)
            gKeysBeingOpened.erase(key_);
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

int OpenBoard(int32_t net, int32_t contact, const char* name)
{
    if (!UserInterfaceRunning())
        return 0;
    if (HWND open = FindBoardWindow(net, contact))
        return BringForward(open);

    // A call that re-entered the plugin while this key is being opened
    // further up leaves it to that call: one window per key.
    const BoardKey key = {net, contact};
    OpeningKey opening(key);
    if (!opening.Marked())
        return 0;
    const unsigned ends = UserInterfaceEnds();

    char* title = BuildTitle(name ? name : "");
    if (!title)
        return 0;

    const int x = GetConfigInt(ColBoardX);
    const int y = GetConfigInt(ColBoardY);
    const int width = GetConfigInt(ColBoardWidth);
    const int height = GetConfigInt(ColBoardHeight);
    if (ends != UserInterfaceEnds()) {
        std::free(title);
        return 0;
    }

    // The frame copies the words while it is created: contact first, net second.
    int32_t creationWords[2] = {contact, net};
    HWND frame = CreateWindowExA(0, BoardFrameClassName, title, BoardFrameStyle, x, y, width, height, nullptr, nullptr,
                                 gBoardModuleInstance, creationWords);
    std::free(title);
    if (!frame)
        return 0;
    // The user interface ended (and maybe started again) while the window
    // was made: nothing would ever close it, so it goes now.
    if (ends != UserInterfaceEnds() || !IsWindow(frame)) {
        if (IsWindow(frame))
            DestroyWindow(frame);
        return 0;
    }

    if (!RememberBoardWindow(key, frame)) {
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
    BoardKey key;
    HWND frame;
    while (FirstBoardWindow(&key, &frame)) {
        if (IsWindow(frame))
            SendMessageA(frame, WM_CLOSE, 0, 0);
        // A frame removes its entry when it closes. If this one did not (its
        // window was already gone, or it ignored the message), drop the entry
        // here and make sure no board window stays behind, so the loop ends.
        if (ForgetBoardWindow(key, frame) && IsWindow(frame))
            DestroyWindow(frame);
    }
}
