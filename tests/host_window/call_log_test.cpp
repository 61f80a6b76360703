// The log lines of calls between host and plugin, from the records the host
// window hands the plugin and from what the stand-in host records of the
// plugin's calls into it.
#include "call_log.h"

#include <gtest/gtest.h>

namespace {

template <typename T> int32_t Word(T* pointer)
{
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(pointer));
}

PluginMessage Message(uint32_t id, int32_t p1 = 0, int32_t p2 = 0, int32_t boardNet = 0)
{
    PluginMessage message = {};
    message.size = sizeof message;
    message.id = id;
    message.boardNet = boardNet;
    message.p1 = p1;
    message.p2 = p2;
    return message;
}

MessageSelector Selector(int32_t type, int32_t messageId)
{
    MessageSelector selector = {};
    selector.size = sizeof selector;
    selector.word2 = -1;
    selector.type = type;
    selector.messageId = messageId;
    return selector;
}

int SendToHost(StandInHost& host, uint32_t id, const void* p1, void* p2 = nullptr)
{
    PluginMessage message = Message(id, Word(p1), Word(p2));
    return host.HostMessage(&message);
}

TEST(CallLogTest, MessagesToThePluginShowTheirArgumentsAndAnswers)
{
    const char* name = "ola@orvane.example";
    EXPECT_EQ("host -> plugin: MsgOpenBoard(772701) net 772, contact 2, name \"ola@orvane.example\" = 0",
              DescribePluginCall(Message(MsgOpenBoard, 2, Word(name), 772), 0));
    EXPECT_EQ("host -> plugin: MsgInviteBoard(772702) net -1, contact 42, name \"Ala\" = 0",
              DescribePluginCall(Message(MsgInviteBoard, 42, Word("Ala"), -1), 0));
    EXPECT_EQ("host -> plugin: MsgUiStart(22100) = 1", DescribePluginCall(Message(MsgUiStart), 1));
    static const char version[] = "0.1.0";
    EXPECT_EQ("host -> plugin: MsgGetVersion(30012) = \"0.1.0\"",
              DescribePluginCall(Message(MsgGetVersion), reinterpret_cast<intptr_t>(version)));
    EXPECT_EQ("host -> plugin: MsgGetNet(30010) = 772", DescribePluginCall(Message(MsgGetNet), 772));
    EXPECT_EQ("host -> plugin: message 30014 = \"W98\"",
              DescribePluginCall(Message(30014), reinterpret_cast<intptr_t>("W98")));
    EXPECT_EQ("host -> plugin: message 772505 net 1, p1 2, p2 3 = 0", DescribePluginCall(Message(772505, 2, 3, 1), 0));
    EXPECT_EQ("host -> plugin: MsgInit(20001) core 0x00012340 = 1", DescribePluginCall(Message(MsgInit, 0x12340), 1));
}

TEST(CallLogTest, BoardStateAnswersAreNamed)
{
    const PluginMessage ask = Message(MsgBoardState, 1, 0, 772);
    EXPECT_EQ("host -> plugin: MsgBoardState(772703) net 772, contact 1 = 0 (no such board)",
              DescribePluginCall(ask, 0));
    EXPECT_EQ("host -> plugin: MsgBoardState(772703) net 772, contact 1 = 1 (open)", DescribePluginCall(ask, 1));
    EXPECT_EQ("host -> plugin: MsgBoardState(772703) net 772, contact 1 = 2 (minimised)", DescribePluginCall(ask, 2));
    EXPECT_EQ("host -> plugin: MsgFlashBoard(772704) net 772, contact 1 = 0",
              DescribePluginCall(Message(MsgFlashBoard, 1, 0, 772), 0));
}

TEST(CallLogTest, DrawingRequestsShowTheirWholeRecord)
{
    DrawRequest request = {};
    request.size = sizeof request;
    request.id = MsgDrawLine;
    request.boardNet = -3;
    request.contact = 5;
    request.x1 = 30;
    request.y1 = 40;
    request.x2 = 330;
    request.y2 = 140;
    EXPECT_EQ("host -> plugin: MsgDrawLine(772502) net -3, contact 5, (30, 40)-(330, 140) = 0",
              DescribePluginCall(*reinterpret_cast<PluginMessage*>(&request), 0));
    // A record too short to hold the drawing fields is not read past its end.
    EXPECT_EQ("host -> plugin: MsgDrawRectangle(772504) a record of only 30 bytes = 0",
              DescribePluginCall(Message(MsgDrawRectangle, 5, 0, 1), 0));
}

TEST(CallLogTest, AttributeMessagesShowTheirValues)
{
    EXPECT_EQ("host -> plugin: MsgRequestPenColor(772551) net 772, contact 1, colour RGB(220, 0, 0) = 0",
              DescribePluginCall(Message(MsgRequestPenColor, 1, RGB(220, 0, 0), 772), 0));
    EXPECT_EQ("host -> plugin: MsgRequestFillColor(772552) net 772, contact 1, colour RGB(1, 2, 3) = 0",
              DescribePluginCall(Message(MsgRequestFillColor, 1, RGB(1, 2, 3), 772), 0));
    EXPECT_EQ("host -> plugin: MsgRequestPenWidth(772553) net 772, contact 1, width 6 = 0",
              DescribePluginCall(Message(MsgRequestPenWidth, 1, 6, 772), 0));
    EXPECT_EQ("host -> plugin: MsgRequestFillEnabled(772554) net 772, contact 1, on = 0",
              DescribePluginCall(Message(MsgRequestFillEnabled, 1, 7, 772), 0));
    EXPECT_EQ("host -> plugin: MsgRequestPenEnabled(772555) net 772, contact 1, off = 0",
              DescribePluginCall(Message(MsgRequestPenEnabled, 1, 0, 772), 0));
}

TEST(CallLogTest, ActionNotificationsShowTheItemAndCode)
{
    ActionNotify notify = {};
    notify.size = sizeof notify;
    notify.action.id = ActionBoard;
    notify.code = 1;
    EXPECT_EQ("host -> plugin: MsgAction(22200) item 772001, code 1 = 0",
              DescribePluginCall(Message(MsgAction, Word(&notify)), 0));
    EXPECT_EQ("host -> plugin: MsgAction(22200) no notification = 0", DescribePluginCall(Message(MsgAction), 0));
}

TEST(CallLogTest, CallsIntoTheHostShowWhatTheHostAnswered)
{
    StandInHost host;
    host.contacts[2] = Contact {"ola@orvane.example", 772};
    host.config[ColBoardWidth] = 400;
    std::vector<std::string> seen;
    host.observer = [&](const HostCall& call) { seen.push_back(DescribeHostCall(call)); };

    HostValue width = {};
    host.GetValue(TableConfig, 0, ColBoardWidth, &width);
    HostValue uid = {ValueString, 0, -1};
    host.GetValue(TableContacts, 2, ColContactUid, &uid);
    HostValue net = {};
    host.GetValue(TableContacts, 2, ColContactNet, &net);
    HostValue x = {ValueInt, static_cast<int32_t>(CW_USEDEFAULT), 0};
    host.SetValue(TableConfig, 0, ColBoardX, &x);
    void* text = reinterpret_cast<void*>(static_cast<intptr_t>(uid.value));
    host.HostFree(text);
    host.SetError(1);

    char address[16];
    std::snprintf(address, sizeof address, "0x%08X", static_cast<unsigned>(uid.value));
    const std::vector<std::string> expected = {
        "plugin -> host: GetValue(config, ColBoardWidth) = 400",
        "plugin -> host: GetValue(contacts, 2, ColContactUid, text) = \"ola@orvane.example\" at " +
            std::string(address),
        "plugin -> host: GetValue(contacts, 2, ColContactNet) = 772",
        "plugin -> host: SetValue(config, ColBoardX, CW_USEDEFAULT)",
        "plugin -> host: HostFree(" + std::string(address) + ")",
        "plugin -> host: SetError(1)",
    };
    EXPECT_EQ(expected, seen);
    // Each call is told once, after it is recorded.
    EXPECT_EQ(host.calls.size(), seen.size());
}

TEST(CallLogTest, MessageStoreCallsShowTheMessageAndItsSelector)
{
    StandInHost host;
    std::vector<std::string> seen;
    host.observer = [&](const HostCall& call) { seen.push_back(DescribeHostCall(call)); };

    QueuedMessage invitation = {};
    invitation.size = sizeof invitation;
    invitation.messageNet = 772;
    invitation.type = MessageTypeBoard;
    invitation.uid1 = invitation.uid2 = "ola";
    invitation.body = "772 2 ola";
    invitation.extra = "";
    invitation.flags = 8;
    invitation.action = ActionRef {ActionBoard, 1, 2};
    invitation.notify = ActionBoard;
    const int number = SendToHost(host, MsgQueueAdd, &invitation);
    const MessageSelector sent = Selector(-1, number);
    SendToHost(host, MsgQueueProcess, &sent);
    host.store.Deliver();
    QueuedMessage received = {};
    received.size = sizeof received;
    const MessageSelector anyBoard = Selector(MessageTypeBoard, -1);
    SendToHost(host, MsgQueueGet, &anyBoard, &received);
    PluginMessage done = Message(MsgQueueDone, Word(&sent), 1);
    host.HostMessage(&done);
    // Nothing left to get: no body is shown.
    SendToHost(host, MsgQueueGet, &anyBoard, &received);

    const std::vector<std::string> expected = {
        "plugin -> host: HostMessage MsgQueueAdd(100) type 12, net 772, body \"772 2 ola\", item 772001 for contact 2 "
        "= 1",
        "plugin -> host: HostMessage MsgQueueProcess(101) message 1, type -1 = 1",
        "plugin -> host: HostMessage MsgQueueGet(106) message -1, type 12 = 1, body \"772 2 ola\"",
        "plugin -> host: HostMessage MsgQueueDone(104) message 1, type -1, p2 1 = 1",
        "plugin -> host: HostMessage MsgQueueGet(106) message -1, type 12 = 0",
    };
    EXPECT_EQ(expected, seen);
}

TEST(CallLogTest, DefinitionsAndItemsShowWhatThePluginRegisters)
{
    StandInHost host;
    std::vector<std::string> seen;
    host.observer = [&](const HostCall& call) { seen.push_back(DescribeHostCall(call)); };

    ColumnDef column = {ColBoardY, static_cast<uint32_t>(ValueInt), static_cast<int32_t>(CW_USEDEFAULT), 18, ""};
    SendToHost(host, MsgSetColumn, &column);
    ActionInfo item = {};
    item.size = sizeof item;
    item.action = ActionRef {ActionBoard, 1, -2};
    item.text = "O.Board";
    SendToHost(host, MsgAddAction, &item);
    PluginMessage icon = Message(MsgActionIcon, ActionBoard, 101);
    host.HostMessage(&icon);
    PluginMessage other = Message(4242, 5, 6);
    host.HostMessage(&other);

    const std::vector<std::string> expected = {
        "plugin -> host: HostMessage MsgSetColumn(1001) column ColBoardY, int, default CW_USEDEFAULT = 1",
        "plugin -> host: HostMessage MsgAddAction(10101) item 772001 under 1, text \"O.Board\" = 0",
        "plugin -> host: HostMessage MsgActionIcon(10109) item 772001, icon group 101 = 0",
        "plugin -> host: HostMessage message 4242 p1 5, p2 6 = 0",
    };
    EXPECT_EQ(expected, seen);
}

}  // namespace
