// The plugin's single entry point: every request of the host and of other
// plugins arrives here as a PluginMessage.
#include <windows.h>

#include "common/host_interface.h"
#include "common/kept_quirks.h"
#include "common/module_hold.h"
#include "controls/board_image_list.h"
#include "controls/size_picker.h"
#include "core/board_messages.h"
#include "core/board_opening.h"
#include "core/plugin_identity.h"
#include "core/plugin_setup.h"
#include "core/user_interface_session.h"
#include "windows/canvas_window.h"
#include "windows/frame_window.h"

namespace {

// A record must hold its size and id before either can be read, and its
// parameter words before p1/p2 are.
const uint16_t HeaderSize = offsetof(PluginMessage, reserved1);
const uint16_t FullSize = sizeof(PluginMessage);

intptr_t TextReply(const char* text)
{
    return reinterpret_cast<intptr_t>(text);
}

// The host may end the interface (and start it again) from inside one of
// the start's own calls: that later message has the last word. A start
// from inside this one leaves nothing for it to do that it would not do.
void StartUserInterface()
{
    const unsigned ends = UserInterfaceEnds();
    // Each registration asks the host for the module handle anew.
    RegisterBoardFrameClass(HostInstance());
    RegisterCanvasClass(HostInstance());
    RegisterSizePicker(HostInstance());
    if (ends != UserInterfaceEnds())
        return;
    CreateBoardImageList();
    if (ends != UserInterfaceEnds()) {
        // Ended meanwhile (and perhaps started again, with a list of its
        // own): a list this start made after that end belongs to no
        // interface.
        if (!UserInterfaceRunning())
            DestroyBoardImageList();
        return;
    }
    MarkUserInterfaceStarted();
}

void EndUserInterface()
{
    // The host may free the plugin once this returns, while a loop of a
    // board that closes here still has to return through the module.
    HoldModuleWhileEntered();
    // No board may open from here on, not even from a host call that one
    // of the closing boards makes.
    MarkUserInterfaceEnded();
    DestroyBoardImageList();
    CloseAllBoards();
}

intptr_t Dispatch(const PluginMessage* message)
{
    const bool hasParameters = message->size >= FullSize;
    switch (message->id) {
    case MsgInit:
        if (hasParameters)
            gHostCore = WordAddress<HostCore>(message->p1);
        return 1;
    case MsgLifecycleNotice:
        return 1;
    case MsgLifecycleQuery:
        return LifecycleQueryAnswer;
    case MsgLifecycleUnanswered:
        return 0;
    case MsgSetColumns:
        if (ActiveHost())
            DefineSettingsColumns();
        return 1;
    case MsgUiPrepare:
        if (ActiveHost())
            RegisterBoardAction();
        return 1;
    case MsgUiStart:
        if (ActiveHost())
            StartUserInterface();
        return 1;
    case MsgUiEnd:
        EndUserInterface();
        return 1;
    case MsgAction:
        return hasParameters ? HandleAction(message) : 0;
    case MsgGetNet:
        return PluginNet;
    case MsgGetIdentityNumber:
        return IdentityNumber;
    case MsgGetVersion:
        return TextReply(VersionText);
    case MsgGetSignature:
        return TextReply(SignatureText);
    case MsgGetPlatform:
        return TextReply(PlatformAnswer);
    case MsgGetIdentityAfterPlatform:
        return 0;
    case MsgGetName:
        return TextReply(DisplayNameText);
    case MsgGetIdentityAfterName:
        return 0;
    case MsgDrawLine:
    case MsgDrawEllipse:
    case MsgDrawRectangle:
        // The drawing fields need the whole 44-byte DrawRequest.
        return message->size >= sizeof(DrawRequest) ? HandleDrawMessage(message) : 0;
    case MsgRequestPenColor:
    case MsgRequestFillColor:
    case MsgRequestPenWidth:
    case MsgRequestFillEnabled:
    case MsgRequestPenEnabled:
        return hasParameters ? HandleAttributeMessage(message) : 0;
    case MsgOpenBoard:
        return hasParameters ? HandleOpenBoard(message) : 0;
    case MsgInviteBoard:
        return hasParameters ? HandleInviteBoard(message) : 0;
    case MsgBoardState:
        return hasParameters ? HandleBoardState(message) : 0;
    case MsgFlashBoard:
        return hasParameters ? HandleFlashBoard(message) : 0;
    default:
        if (HostCore* host = ActiveHost())
            host->SetError(1);
        return 0;
    }
}

}  // namespace

extern "C" intptr_t __stdcall IMessageProc(PluginMessage* message)
{
    if (!message || message->size < HeaderSize)
        return 0;
    ModuleEntry entry;
    PinnedHost host;
    return Dispatch(message);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
