#include "plugin_session.h"

#include "pe_image.h"
#include "board_record.h"

#include <commdlg.h>

#include <cstring>

ModalAnswers gModal;

namespace {

int WINAPI AnswerMessageBox(HWND, LPCSTR, LPCSTR, UINT)
{
    ++gModal.messageBoxes;
    return IDOK;
}

BOOL WINAPI AnswerColourDialog(LPCHOOSECOLORA dialog)
{
    if (!gModal.colourChosen)
        return FALSE;
    dialog->rgbResult = gModal.colour;
    return TRUE;
}

BOOL WINAPI AnswerSaveDialog(LPOPENFILENAMEA dialog)
{
    if (gModal.savePath.empty() || gModal.savePath.size() >= dialog->nMaxFile)
        return FALSE;
    lstrcpyA(dialog->lpstrFile, gModal.savePath.c_str());
    return TRUE;
}

BOOL WINAPI AnswerMenu(HMENU, UINT, int, int, HWND, LPTPMPARAMS)
{
    return static_cast<BOOL>(gModal.menuItem);
}

}  // namespace

PluginSession::PluginSession(const std::string& tag)
{
    char tempDir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, tempDir);
    copy_ = std::string(tempDir) + "oboard_" + tag + "_" + std::to_string(GetCurrentProcessId()) + ".dll";
    const std::string original = ProgramDirectory() + "oboard.dll";
    if (!CopyFileA(original.c_str(), copy_.c_str(), FALSE))
        return;
    plugin_.reset(new LoadedPlugin(copy_.c_str()));
    if (!plugin_->Loaded())
        return;
    const struct {
        const char* dll;
        const char* name;
        void* replacement;
    } modal[] = {
        {"user32.dll", "MessageBoxA", reinterpret_cast<void*>(&AnswerMessageBox)},
        {"user32.dll", "TrackPopupMenuEx", reinterpret_cast<void*>(&AnswerMenu)},
        {"comdlg32.dll", "ChooseColorA", reinterpret_cast<void*>(&AnswerColourDialog)},
        {"comdlg32.dll", "GetSaveFileNameA", reinterpret_cast<void*>(&AnswerSaveDialog)},
    };
    for (const auto& m : modal)
        patches_.emplace_back(new ImportPatch(plugin_->Module(), m.dll, m.name, m.replacement));
    for (StandInHost& host : hosts) {
        host.pluginModule = plugin_->Module();
        host.config[ColBoardX] = 10;
        host.config[ColBoardY] = 10;
        host.config[ColBoardWidth] = 500;
        host.config[ColBoardHeight] = 400;
        host.contacts[42] = Contact {"ala@example", 7};
        host.contacts[1] = Contact {"ola@example", 0};
        host.contacts[-3] = Contact {"ela@example", -1};
    }
}

PluginSession::~PluginSession()
{
    if (Loaded()) {
        for (StandInHost& host : hosts)
            host.duringCall = nullptr;
        plugin_->Stop();
        PumpMessages();
        // A board that outlived MsgUiEnd would run unmapped code once the
        // module is gone; destroy any so the failure is reported, not hit.
        for (HWND frame : BoardFrames())
            DestroyWindow(frame);
        for (const char* name : {BoardFrameClassName, CanvasClassName, SizePickerClassName})
            UnregisterClassA(name, plugin_->Module());
    }
    patches_.clear();
    plugin_.reset();
    if (!copy_.empty())
        DeleteFileA(copy_.c_str());
}

void PluginSession::Start(int host)
{
    Send(MsgInit, host < 0 ? 0 : AddressWord(static_cast<HostCore*>(&hosts[host])));
    Send(MsgSetColumns);
    Send(MsgUiPrepare);
    Send(MsgUiStart);
}

BoardWindowState* BoardOf(HWND frame)
{
    return FrameRecord(frame);
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
