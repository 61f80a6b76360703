// tMsg: a message box the script waits for.
#include <windows.h>

#include "../host/script_arguments.h"
#include "../host/script_functions.h"

namespace {

const char kMessageBoxCaption[] = "TOLVA";
const UINT kMessageBoxStyle = MB_OK | MB_ICONINFORMATION;  // 0x40

}  // namespace

int tMsg(LuaState*, LuaStackObject* args)
{
    const char* text = TextArgument(args[1]);
    // Runs without the state's lock (the runtime releases it around script
    // functions), so other threads may use the state while the box is up.
    if (text != nullptr)
        MessageBoxA(nullptr, text, kMessageBoxCaption, kMessageBoxStyle);
    return 0;
}
