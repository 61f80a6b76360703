#include "host_screenshot.h"

#include "board_demo.h"

namespace {

void Press(HostWindow& window, int id)
{
    SendMessageA(window.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(window.Control(id)));
    PumpWaitingMessages();
}

void SelectContact(HostWindow& window, int index)
{
    SendMessageA(window.Control(IdContacts), LB_SETCURSEL, index, 0);
}

}  // namespace

bool SaveHostWindowScreenshot(HostWindow& window, StandInHost& host, const std::string& path)
{
    // Boards open beside the host window, not over it.
    RECT frame = {};
    GetWindowRect(window.Handle(), &frame);
    host.config[ColBoardX] = frame.right + 10;
    host.config[ColBoardY] = frame.top;
    host.config[ColBoardWidth] = 700;
    host.config[ColBoardHeight] = 600;

    SelectContact(window, 0);
    for (int id : {IdOpenBoard, IdPenColor, IdPenWidth, IdDrawLine, IdDrawLine, IdFillEnabled, IdFillColor,
                   IdDrawEllipse, IdPenColor, IdDrawRectangle, IdState})
        Press(window, id);
    SelectContact(window, 1);
    for (int id : {IdInvite, IdAccept, IdState})
        Press(window, id);

    SetForegroundWindow(window.Handle());
    RedrawWindow(window.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    PumpWaitingMessages();
    return SaveWindowPicture(window.Handle(), path);
}
