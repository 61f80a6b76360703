// The host window as a person uses it: real clicks on its contact list and
// buttons, checked through the log pane, the host's record of calls, the
// board windows and the pixels of their pictures.
#include "host_window_fixture.h"

#include <cstdio>
#include <cstring>

namespace {

int32_t SelectedMessage(const HostCall& call)
{
    MessageSelector selector = {};
    if (call.record.size() == sizeof selector)
        std::memcpy(&selector, call.record.data(), sizeof selector);
    return selector.messageId;
}

TEST_F(HostWindowTest, ListsTheContactsOfTheContactsFile)
{
    HWND list = window->Control(IdContacts);
    const std::vector<std::string> expected = {"1: ala@orvane.example (net 772)", "2: ola@orvane.example (net 772)",
                                               "5: ewa@orvane.example (net -3)"};
    EXPECT_EQ(expected, ListLines(list));
    EXPECT_EQ(5, SendMessageA(list, LB_GETITEMDATA, 2, 0));
    EXPECT_EQ(0, SendMessageA(list, LB_GETCURSEL, 0, 0));
}

TEST_F(HostWindowTest, StartingThePluginLogsEveryCallInBothDirections)
{
    char core[16];
    std::snprintf(core, sizeof core, "0x%08X",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(static_cast<HostCore*>(&host))));
    const int init = FindLine("host -> plugin: MsgInit(20001) core " + std::string(core) + " = 1");
    const int columns = FindLine("host -> plugin: MsgSetColumns(21001) = 1");
    const int width =
        FindLine("    plugin -> host: HostMessage MsgSetColumn(1001) column ColBoardWidth, int, default 400 = 1");
    const int prepare = FindLine("host -> plugin: MsgUiPrepare(22000) = 1");
    const int start = FindLine("host -> plugin: MsgUiStart(22100) = 1");
    const int name = FindLine("host -> plugin: MsgGetName(30016) = \"Orvane Board\"");
    EXPECT_EQ(0, init);
    // A message to the plugin comes first, then the calls it made meanwhile.
    EXPECT_EQ(columns + 1, width);
    EXPECT_LT(width, prepare);
    EXPECT_LT(prepare, start);
    EXPECT_LT(start, name);
    EXPECT_NE(
        -1, FindLine("    plugin -> host: HostMessage MsgAddAction(10101) item 772001 under 1, text \"O.Board\" = 0"));
    // Every call the host recorded has its line.
    EXPECT_FALSE(host.calls.empty());
    EXPECT_EQ(static_cast<int>(host.calls.size()), CountLines("    plugin -> host: "));
}

TEST_F(HostWindowTest, OpenBoardOpensOneBoardOfTheClickedContact)
{
    ASSERT_TRUE(BoardFrames().empty());
    SelectContact(1);
    Press(IdOpenBoard);

    ASSERT_EQ(1u, BoardFrames().size());
    HWND board = BoardFrames().front();
    EXPECT_EQ("Grafika - ola@orvane.example", TitleOf(board));
    EXPECT_EQ(board, BoardOf(772, 2));
    const int open =
        FindLine("host -> plugin: MsgOpenBoard(772701) net 772, contact 2, name \"ola@orvane.example\" = 0");
    ASSERT_NE(-1, open);
    EXPECT_EQ(open + 1, FindLine("    plugin -> host: GetValue(config, ColBoardX) = " + std::to_string(BoardLeft)));

    // Asked again, the plugin brings the same board forward.
    Press(IdOpenBoard);
    EXPECT_EQ(2, CountLines("host -> plugin: MsgOpenBoard(772701) net 772, contact 2,"));
    EXPECT_EQ(1u, BoardFrames().size());
}

TEST_F(HostWindowTest, ADoubleClickedContactOpensItsBoard)
{
    HWND list = window->Control(IdContacts);
    RECT item = {};
    SendMessageA(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
    POINT centre = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(list, &centre);
    ClickAt(centre);
    ClickAt(centre);
    ASSERT_TRUE(WaitFor([] { return BoardOf(-3, 5) != nullptr; }));
    EXPECT_EQ("Grafika - ewa@orvane.example", TitleOf(BoardOf(-3, 5)));
}

TEST_F(HostWindowTest, InvitingAndAcceptingOpensTheBoardOnTheAcceptingSide)
{
    SelectContact(1);
    Press(IdInvite);
    // Inviting opens nothing on the sending side.
    EXPECT_TRUE(BoardFrames().empty());
    const std::vector<HostCall> adds = host.CallsOf(HostCall::Message, MsgQueueAdd);
    ASSERT_EQ(1u, adds.size());
    EXPECT_EQ("772 2 ola@orvane.example", adds[0].text);
    const std::vector<HostCall> processed = host.CallsOf(HostCall::Message, MsgQueueProcess);
    ASSERT_EQ(1u, processed.size());
    EXPECT_EQ(1, SelectedMessage(processed[0]));

    Press(IdStoredMessages);
    EXPECT_EQ("host: 1 stored message(s)", LogLines().back());
    ASSERT_NE(nullptr, window->MessagesWindow());
    HWND messages = GetDlgItem(window->MessagesWindow(), IdMessageList);
    EXPECT_EQ(
        std::vector<std::string> {"#1 sent, type 12, to ola@orvane.example (net 772): \"772 2 ola@orvane.example\""},
        ListLines(messages));

    Press(IdAccept);
    EXPECT_EQ(1u, host.CallsOf(HostCall::Message, MsgQueueGet).size());
    const std::vector<HostCall> done = host.CallsOf(HostCall::Message, MsgQueueDone);
    ASSERT_EQ(1u, done.size());
    EXPECT_EQ(1, SelectedMessage(done[0]));
    ASSERT_EQ(1u, BoardFrames().size());
    EXPECT_EQ("Grafika - ola@orvane.example", TitleOf(BoardOf(772, 2)));
    EXPECT_TRUE(host.store.Messages().empty());
    // The open stored-messages window follows the store.
    EXPECT_EQ(std::vector<std::string> {"(no stored messages)"}, ListLines(messages));

    const int invite =
        FindLine("host -> plugin: MsgInviteBoard(772702) net 772, contact 2, name \"ola@orvane.example\" = 0");
    ASSERT_NE(-1, invite);
    EXPECT_LT(invite,
              FindLine("    plugin -> host: HostMessage MsgQueueAdd(100) type 12, net 772, body \"772 2 "
                       "ola@orvane.example\", item 772001 for contact 2 = 1",
                       invite));
    EXPECT_LT(invite, FindLine("    plugin -> host: HostMessage MsgQueueProcess(101) message 1, type -1 = 1", invite));
    const int arrived = FindLine("host: the contact's side: 1 sent message(s) arrived");
    ASSERT_NE(-1, arrived);
    const int action = FindLine("host -> plugin: MsgAction(22200) item 772001, code 1 = 0", arrived);
    ASSERT_EQ(arrived + 1, action);
    EXPECT_EQ(action + 1,
              FindLine("    plugin -> host: HostMessage MsgQueueGet(106) message -1, type 12 = 1, body "
                       "\"772 2 ola@orvane.example\"",
                       action));
    EXPECT_LT(action,
              FindLine("    plugin -> host: HostMessage MsgQueueDone(104) message 1, type -1, p2 1 = 1", action));
}

TEST_F(HostWindowTest, AcceptingWithNothingSentOpensNoBoard)
{
    Press(IdAccept);
    EXPECT_NE(-1, FindLine("host: the contact's side: 0 sent message(s) arrived"));
    EXPECT_NE(-1, FindLine("    plugin -> host: HostMessage MsgQueueGet(106) message -1, type 12 = 0"));
    EXPECT_TRUE(BoardFrames().empty());
}

TEST_F(HostWindowTest, DrawingButtonsDrawOnTheSelectedContactsBoard)
{
    SelectContact(2);
    Press(IdOpenBoard);
    HWND board = BoardOf(-3, 5);
    ASSERT_NE(nullptr, board);
    {
        const BoardPicture blank = FramePicture(board);
        ASSERT_TRUE(blank.Valid());
        ASSERT_EQ(PictureWidth * PictureHeight, blank.Count(0xFFFFFF));
    }

    // A line with the board's request pen as it starts: one pixel, black.
    Press(IdDrawLine);
    EXPECT_NE(-1, FindLine("host -> plugin: MsgDrawLine(772502) net -3, contact 5, (30, 40)-(330, 140) = 0"));
    {
        const BoardPicture picture = FramePicture(board);
        EXPECT_EQ(0x000000u, picture.At(30, 40));
        EXPECT_EQ(0x000000u, picture.At(180, 90));
        const int black = picture.Count(0x000000);
        EXPECT_GE(black, 300);
        EXPECT_LE(black, 310);
        EXPECT_EQ(black, picture.Count(0x000000, 29, 39, 332, 142));
    }

    // Red and three pixels wide: the next line, 16 pixels lower.
    Press(IdPenColor);
    Press(IdPenWidth);
    EXPECT_NE(-1, FindLine("host -> plugin: MsgRequestPenColor(772551) net -3, contact 5, colour RGB(220, 0, 0) = 0"));
    EXPECT_NE(-1, FindLine("host -> plugin: MsgRequestPenWidth(772553) net -3, contact 5, width 3 = 0"));
    EXPECT_EQ(RGB(220, 0, 0), FrameRecord(board)->requestPenColor);
    EXPECT_EQ(3, FrameRecord(board)->requestPenWidth);
    Press(IdDrawLine);
    EXPECT_NE(-1, FindLine("host -> plugin: MsgDrawLine(772502) net -3, contact 5, (30, 56)-(330, 156) = 0"));
    {
        const BoardPicture picture = FramePicture(board);
        const uint32_t red = Rgb(RGB(220, 0, 0));
        EXPECT_EQ(red, picture.At(180, 106));
        EXPECT_EQ(red, picture.At(180, 105));
        EXPECT_EQ(red, picture.At(180, 107));
        EXPECT_GE(picture.Count(red), 3 * 300);
        EXPECT_EQ(0, picture.Count(red, 0, 0, PictureWidth, 50));  // nothing near the first line's start
    }

    // A filled rectangle: the fill goes on, yellow, and a red outline.
    Press(IdFillEnabled);
    Press(IdFillColor);
    Press(IdDrawRectangle);
    EXPECT_NE(-1, FindLine("host -> plugin: MsgRequestFillEnabled(772554) net -3, contact 5, on = 0"));
    EXPECT_NE(-1, FindLine("host -> plugin: MsgDrawRectangle(772504) net -3, contact 5, (40, 290)-(300, 400) = 0"));
    {
        const BoardPicture picture = FramePicture(board);
        const uint32_t yellow = Rgb(RGB(255, 220, 0));
        EXPECT_EQ(yellow, picture.At(170, 345));
        EXPECT_EQ(Rgb(RGB(220, 0, 0)), picture.At(41, 345));
        EXPECT_EQ(0xFFFFFFu, picture.At(20, 345));
    }

    // With the pen off an ellipse has no outline: only the fill is drawn.
    Press(IdPenEnabled);
    Press(IdDrawEllipse);
    EXPECT_NE(-1, FindLine("host -> plugin: MsgRequestPenEnabled(772555) net -3, contact 5, off = 0"));
    {
        const BoardPicture picture = FramePicture(board);
        const uint32_t yellow = Rgb(RGB(255, 220, 0));
        EXPECT_EQ(yellow, picture.At(460, 120));
        EXPECT_EQ(0, picture.Count(Rgb(RGB(220, 0, 0)), 350, 30, PictureWidth, 210));
        EXPECT_GT(picture.Count(yellow, 350, 30, PictureWidth, 210), 20000);
    }
}

TEST_F(HostWindowTest, DrawingButtonsWithoutABoardDrawNothing)
{
    Press(IdDrawLine);
    EXPECT_NE(-1, FindLine("host -> plugin: MsgDrawLine(772502) net 772, contact 1, (30, 40)-(330, 140) = 0"));
    EXPECT_TRUE(BoardFrames().empty());
}

TEST_F(HostWindowTest, StateAndFlashAskTheBoardOfTheSelectedContact)
{
    Press(IdState);
    EXPECT_NE(-1, FindLine("host -> plugin: MsgBoardState(772703) net 772, contact 1 = 0 (no such board)"));
    Press(IdOpenBoard);
    Press(IdState);
    EXPECT_NE(-1, FindLine("host -> plugin: MsgBoardState(772703) net 772, contact 1 = 1 (open)"));
    ShowWindow(BoardOf(772, 1), SW_MINIMIZE);
    Press(IdState);
    EXPECT_NE(-1, FindLine("host -> plugin: MsgBoardState(772703) net 772, contact 1 = 2 (minimised)"));
    Press(IdFlash);
    EXPECT_NE(-1, FindLine("host -> plugin: MsgFlashBoard(772704) net 772, contact 1 = 0"));
}

TEST_F(HostWindowTest, ButtonsForAContactNeedOneSelected)
{
    SendMessageA(window->Control(IdContacts), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    const size_t calls = host.calls.size();
    Press(IdOpenBoard);
    EXPECT_EQ("host: select a contact first", LogLines().back());
    EXPECT_TRUE(BoardFrames().empty());
    EXPECT_EQ(calls, host.calls.size());
}

TEST_F(HostWindowTest, CallsOutsideTheHostsMessagesAreLoggedToo)
{
    Press(IdOpenBoard);
    HWND board = BoardOf(772, 1);
    ASSERT_NE(nullptr, board);
    // The user moves the board: its frame writes its place into the settings.
    SetWindowPos(board, nullptr, BoardLeft + 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([this] { return host.config[ColBoardX] == BoardLeft + 40; }));
    EXPECT_NE(-1, FindLine("plugin -> host: SetValue(config, ColBoardX, " + std::to_string(BoardLeft + 40) + ")"));
}

TEST_F(HostWindowTest, ClosingTheWindowEndsTheUserInterface)
{
    Press(IdOpenBoard);
    SelectContact(1);
    Press(IdOpenBoard);
    ASSERT_EQ(2u, BoardFrames().size());
    // The pane goes with the window: its last lines are read from the echo.
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    const std::string echoPath = std::string(directory) + "host_window_echo_" + std::to_string(GetCurrentProcessId());
    FILE* echo = std::fopen(echoPath.c_str(), "w+");
    ASSERT_NE(nullptr, echo);
    window->EchoTo(echo);

    PostMessageA(window->Handle(), WM_CLOSE, 0, 0);
    window->RunUntilClosed();
    EXPECT_EQ(nullptr, window->Handle());
    // MsgUiEnd closed every board.
    EXPECT_TRUE(BoardFrames().empty());

    window.reset();
    std::rewind(echo);
    char line[200] = {};
    std::vector<std::string> echoed;
    while (std::fgets(line, sizeof line, echo))
        echoed.push_back(line);
    std::fclose(echo);
    DeleteFileA(echoPath.c_str());
    EXPECT_EQ(std::vector<std::string> {"host -> plugin: MsgUiEnd(22101) = 1\n"}, echoed);
}

}  // namespace
