#include "desktop/message_box.h"

#include <windows.h>

namespace {

const char MessageBoxCaption[] = "TOLVA";
const UINT MessageBoxStyle = MB_OK | MB_ICONINFORMATION;

}  // namespace

void ShowScriptMessage(const char* text)
{
    // Runs without the state's lock (the runtime releases it around script
    // functions), so other threads may use the state while the box is up.
    MessageBoxA(nullptr, text, MessageBoxCaption, MessageBoxStyle);
}
