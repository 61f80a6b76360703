// The plugin's single entry point: every request of the host and of other
// plugins arrives here as a PluginMessage.
#include <windows.h>

#include "board_image_list.h"
#include "board_messages.h"
#include "board_registry.h"
#include "host_interface.h"
#include "plugin_identity.h"
#include "plugin_setup.h"

#include "../controls/size_picker.h"
#include "../windows/canvas_window.h"
#include "../windows/frame_window.h"

namespace {

// A record must hold its size and id before either can be read, and its
// parameter words before p1/p2 are.
const uint16_t HeaderSize = 6;
const uint16_t FullSize = sizeof(PluginMessage);

intptr_t TextReply(const char* text)
{
    return reinterpret_cast<intptr_t>(text);
}

void StartUserInterface()
{
    // Each registration asks the host for the module handle anew.
    RegisterBoardFrameClass(HostInstance());
    RegisterCanvasClass(HostInstance());
    RegisterSizePicker(HostInstance());
    CreateBoardImageList();
    AllowBoards();
}

void EndUserInterface()
{
    // No board may open from here on, not even from a host call that one
    // of the closing boards makes.
    RefuseBoards();
    DestroyBoardImageList();
    CloseAllBoards();
}

intptr_t Dispatch(const PluginMessage* message)
{
    const bool hasParameters = message->size >= FullSize;
    switch (message->id) {
    case MsgInit:
        if (hasParameters)
            TheHostCore = reinterpret_cast<HostCore*>(static_cast<intptr_t>(message->p1));
        return 1;
    case 20002:
        return 1;
    case 20020:
        return 2;
    case 20021:
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
    case 30011:
        return 24;
    case MsgGetVersion:
        return TextReply(VersionText);
    case MsgGetSignature:
        return TextReply(SignatureText);
    case 30014:
        return TextReply(PlatformText);
    case 30015:
        return 0;
    case MsgGetName:
        return TextReply(DisplayNameText);
    case 30017:
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
    PinnedHost host;
    return Dispatch(message);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
