#include "common/board_registry.h"

#include <map>
#include <new>

namespace {

// Entries only: the module's unloading discards them without touching any
// window.
std::map<BoardKey, HWND> gBoardRegistry;

}  // namespace

HWND FindBoardWindow(int32_t net, int32_t contact)
{
    if (gBoardRegistry.empty())
        return nullptr;
    auto found = gBoardRegistry.find(BoardKey {net, contact});
    if (found == gBoardRegistry.end())
        return nullptr;
    if (!IsWindow(found->second)) {
        gBoardRegistry.erase(found);
        return nullptr;
    }
    return found->second;
}

bool RememberBoardWindow(const BoardKey& key, HWND frame)
{
    try {
        gBoardRegistry[key] = frame;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool ForgetBoardWindow(const BoardKey& key, HWND frame)
{
    if (gBoardRegistry.empty())
        return false;
    auto found = gBoardRegistry.find(key);
    if (found == gBoardRegistry.end() || found->second != frame)
        return false;
    gBoardRegistry.erase(found);
    return true;
}

bool FirstBoardWindow(BoardKey* key, HWND* frame)
{
    if (gBoardRegistry.empty())
        return false;
    *key = gBoardRegistry.begin()->first;
    *frame = gBoardRegistry.begin()->second;
    return true;
}
