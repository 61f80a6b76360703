#include "debug_log.h"

#include <mutex>

#include "../host/script_functions.h"

std::FILE* DebugLog = nullptr;

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
    if (DebugLog == nullptr)
        DebugLog = std::fopen("tolva_debug.txt", "a+b");
}

void CloseDebugLog()
{
    std::lock_guard<std::mutex> lock(DebugLogMutex());
    if (DebugLog == nullptr)
        return;
    std::fflush(DebugLog);
    std::fclose(DebugLog);
    DebugLog = nullptr;
}

int tStartDebug(LuaState*, LuaStackObject*)
{
    OpenDebugLog();
    return 0;
}

int tStopDebug(LuaState*, LuaStackObject*)
{
    CloseDebugLog();
    return 0;
}
