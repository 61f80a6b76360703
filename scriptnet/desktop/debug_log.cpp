#include "desktop/debug_log.h"

#include <mutex>

std::FILE* gDebugLog = nullptr;

namespace {

// States on several threads may open and close the log at once.
std::mutex& DebugLogMutex()
{
    static std::mutex mutex;
    return mutex;
}

}  // namespace

void OpenDebugLog()
{
    std::lock_guard<std::mutex> lock(DebugLogMutex());
    if (gDebugLog == nullptr)
        gDebugLog = std::fopen("tolva_debug.txt", "a+b");
}

void CloseDebugLog()
{
    std::lock_guard<std::mutex> lock(DebugLogMutex());
    if (gDebugLog == nullptr)
        return;
    std::fflush(gDebugLog);
    std::fclose(gDebugLog);
    gDebugLog = nullptr;
}
