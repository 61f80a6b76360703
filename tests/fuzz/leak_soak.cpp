#include "leak_soak.h"

#include "handle_census.h"
#include "plugin_session.h"
#include "board_record.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

// What the system may keep between cycles on its own (caches of device
// contexts, fonts, bitmaps of the theme): a leak of one object a cycle
// exceeds it many times over in a hundred cycles.
const int CachedBySystem = 8;

void PointAt(HWND window, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
}

void Stroke(HWND canvas, int x1, int y1, int x2, int y2)
{
    PointAt(canvas, x1, y1);
    SendMessageA(canvas, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x1, y1));
    PointAt(canvas, (x1 + x2) / 2, y2);
    SendMessageA(canvas, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((x1 + x2) / 2, y2));
    PointAt(canvas, x2, y2);
    SendMessageA(canvas, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x2, y2));
    SendMessageA(canvas, WM_LBUTTONUP, 0, MAKELPARAM(x2, y2));
}

void ChooseColour(HWND frame, const BoardWindowState* state, int button, UINT item)
{
    if (!state->toolbarWindow)
        return;
    gModal.menuItem = item;
    gModal.colourChosen = true;
    gModal.colour = RGB(10, 200, 30);
    NMTOOLBARA notification = {};
    notification.hdr.hwndFrom = state->toolbarWindow;
    notification.hdr.idFrom = GetDlgCtrlID(state->toolbarWindow);
    notification.hdr.code = TBN_DROPDOWN;
    notification.iItem = button;
    SendMessageA(frame, WM_NOTIFY, notification.hdr.idFrom, reinterpret_cast<LPARAM>(&notification));
}

// One board from opening to closing, and a second one beside it.
bool BoardCycle(PluginSession& session, int cycle)
{
    const int32_t net = cycle % 5, contact = cycle % 7;
    session.Send(MsgOpenBoard, contact, AddressWord("Cykl"), net);
    session.Send(MsgOpenBoard, contact + 100, AddressWord("Drugi"), net);
    HWND frame = nullptr, second = nullptr;
    for (HWND f : BoardFrames()) {
        const BoardWindowState* s = BoardOf(f);
        if (s && s->net == net && s->contact == contact)
            frame = f;
        else if (s && s->net == net && s->contact == contact + 100)
            second = f;
    }
    if (!frame || !second)
        return false;
    BoardWindowState* state = BoardOf(frame);
    HWND canvas = state->canvasWindow;

    for (int tool : {CmdToolFreehand, CmdToolLine, CmdToolRectangle, CmdToolEllipse}) {
        SendMessageA(frame, WM_COMMAND, tool, 0);
        Stroke(canvas, 10 + tool % 7, 20, 200, 150);
    }
    ChooseColour(frame, state, CmdPenColor, MenuColorRed);
    ChooseColour(frame, state, CmdFillColor, MenuColorGreen);
    ChooseColour(frame, state, CmdFillColor, MenuColorOther);  // the dialog
    ChooseColour(frame, state, CmdPenColor, MenuColorNone);    // none
    SendMessageA(frame, WM_COMMAND, CmdToolRectangle, 0);
    Stroke(canvas, 30, 30, 300, 200);
    if (state->sizePickerWindow)
        SendMessageA(state->sizePickerWindow, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1 + cycle % 10),
                     reinterpret_cast<LPARAM>(GetDlgItem(state->sizePickerWindow, IdSizeSpin)));
    // Mid-drag, a command drops the stroke.
    PointAt(canvas, 50, 50);
    SendMessageA(canvas, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50));
    SendMessageA(frame, WM_COMMAND, CmdClear, 0);
    SendMessageA(canvas, WM_LBUTTONUP, 0, MAKELPARAM(60, 60));

    session.Send(MsgRequestFillEnabled, contact, 1, net);
    session.Send(MsgRequestPenWidth, contact, 1 + cycle % 40, net);
    session.Plugin().SendDraw(MsgDrawLine, net, contact, 0, 0, 639, 479);
    session.Plugin().SendDraw(MsgDrawRectangle, net, contact, 40, 40, 400, 300);
    session.Plugin().SendDraw(MsgDrawEllipse, net, contact, 100, 100, 500, 400);
    session.Plugin().SendDraw(MsgDrawLine, net, contact, -2000000000, 7, 2000000000, 470);
    session.Plugin().SendDraw(MsgDrawEllipse, net, contact, -2000000000, -2000000000, 2000000000, 2000000000);
    session.Plugin().SendDraw(MsgDrawRectangle, net, contact, 2147483646, 209, 256, 665);

    // Undo and redo, the clipboard both ways, the menu, and saving to a BMP
    // and a PNG file and to a folder, which cannot be written.
    for (int command : {CmdUndo, CmdUndo, CmdUndo, CmdRedo, CmdCopyPicture, CmdPastePicture})
        SendMessageA(frame, WM_COMMAND, command, 0);
    gModal.menuItem = CmdUndo;
    SendMessageA(canvas, WM_KEYDOWN, VK_APPS, 0);
    gModal.menuItem = 0;
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string file = std::string(folder) + "oboard_leak_" + std::to_string(GetCurrentProcessId());
    for (const std::string& path : {file + ".bmp", file + ".png", std::string(folder)}) {
        gModal.savePath = path;
        SendMessageA(frame, WM_COMMAND, CmdSavePicture, 0);
    }
    gModal.savePath.clear();
    DeleteFileA((file + ".bmp").c_str());
    DeleteFileA((file + ".png").c_str());

    MoveWindow(frame, 20, 20, 300 + cycle % 200, 250, TRUE);
    SendMessageA(canvas, WM_VSCROLL, SB_PAGEDOWN, 0);
    SendMessageA(canvas, WM_HSCROLL, SB_LINERIGHT, 0);
    ShowWindow(frame, SW_MINIMIZE);
    session.Send(MsgBoardState, contact, 0, net);
    session.Plugin().SendDraw(MsgDrawLine, net, contact, 5, 5, 50, 50);  // flashes
    session.Send(MsgOpenBoard, contact, AddressWord("Cykl"), net);       // restores
    RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);

    // An invitation sent and accepted on the same host opens its board.
    StandInHost& host = session.hosts[0];
    session.Send(MsgInviteBoard, 42, AddressWord("Zaproszenie"), 900 + cycle % 3);
    host.store.Deliver();
    ActionNotify notify = {};
    notify.size = sizeof notify;
    notify.action.id = ActionBoard;
    notify.code = 1;
    session.Send(MsgAction, AddressWord(&notify));
    PumpMessages();

    switch (cycle % 3) {
    case 0:
        for (HWND f : BoardFrames())
            SendMessageA(f, WM_CLOSE, 0, 0);
        break;
    case 1:
        session.Send(MsgUiEnd);
        session.Send(MsgUiStart);
        break;
    default:
        DestroyWindow(frame);
        SendMessageA(second, WM_CLOSE, 0, 0);
        session.Send(MsgUiEnd);
        session.Send(MsgUiStart);
        break;
    }
    PumpMessages();
    return BoardFrames().empty() && host.OutstandingTexts() == 0;
}

}  // namespace

int RunLeakSoak(int cycles)
{
    PluginSession session("leak");
    if (!session.Loaded()) {
        std::fprintf(stderr, "leak soak: cannot load a copy of oboard.dll\n");
        return 1;
    }
    session.Start(0);
    if (!BoardCycle(session, 0)) {
        std::fprintf(stderr, "leak soak: the warm-up cycle left a board or a host text behind\n");
        return 1;
    }
    const HandleCensus before = TakeCensus();
    std::printf("leak soak: before %d cycles: %s\n", cycles, before.Describe().c_str());
    std::fflush(stdout);
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        if (!BoardCycle(session, cycle)) {
            std::fprintf(stderr, "leak soak: cycle %d left a board or a host text behind\n", cycle);
            return 1;
        }
        if (cycle % 100 == 0 && cycle < cycles) {
            std::printf("leak soak: after %d cycles: %s\n", cycle, TakeCensus().Describe().c_str());
            std::fflush(stdout);
        }
    }
    const HandleCensus after = TakeCensus();
    std::printf("leak soak: after %d cycles:  %s\n", cycles, after.Describe().c_str());
    const int gdiGrowth = after.gdi - before.gdi, userGrowth = after.User() - before.User();
    if (gdiGrowth > CachedBySystem || userGrowth > CachedBySystem) {
        std::printf("leak soak: FAILED: %d GDI and %d USER objects more after %d cycles\n", gdiGrowth, userGrowth,
                    cycles);
        return 1;
    }
    std::printf("leak soak: passed (%+d GDI, %+d USER objects over %d cycles)\n", gdiGrowth, userGrowth, cycles);
    return 0;
}
