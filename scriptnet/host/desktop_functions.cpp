// The desktop script functions: each reads its arguments and calls the
// service; none gives a result.
#include "common/kept_quirks.h"
#include "desktop/debug_log.h"
#include "desktop/message_box.h"
#include "desktop/scroll_lock_flash.h"
#include "host/script_arguments.h"
#include "host/script_functions.h"

namespace {

int FlashCountArgument(const LuaStackObject& argument)
{
    int requested = 0;
    return IntegerArgument(argument, &requested) ? FlashCountOf(requested) : DefaultFlashCount;
}

}  // namespace

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

int tMsg(LuaState*, LuaStackObject* args)
{
    const char* text = TextArgument(args[1]);
    if (text != nullptr)
        ShowScriptMessage(text);
    return 0;
}

int tSetFlashTime(LuaState*, LuaStackObject* args)
{
    int milliseconds = 0;
    if (IntegerArgument(args[1], &milliseconds))
        SetFlashTime(milliseconds);
    return 0;
}

int tFlash(LuaState*, LuaStackObject* args)
{
    FlashScrollLock(FlashCountArgument(args[1]));
    return 0;
}

int tFlashAsync(LuaState*, LuaStackObject* args)
{
    FlashScrollLockAsync(FlashCountArgument(args[1]));
    return 0;
}
