// Invitations against hosts that answer in unusual ways: a refused store, a
// name with no end in readable memory, a notification record without its
// size, an invitation to a board with the empty name, and a host replaced
// while an invitation is being sent.
#include "board_test_support.h"
#include "guarded_memory.h"

#include <cstring>
#include <string>

namespace {

// A host that answers MsgQueueAdd with a number of its choosing and keeps
// nothing (-1: its store is full).
class NumberingHost : public StandInHost {
public:
    explicit NumberingHost(int answer) : answer_(answer) {}

protected:
    int HandleMessage(const PluginMessage& message) override
    {
        if (message.id == MsgQueueAdd)
            return answer_;
        return StandInHost::HandleMessage(message);
    }

private:
    int answer_;
};

class InvitationRobustnessTest : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        host.contacts[42] = Contact {"ala@example", 7007};
    }

    void Invite(int32_t net, int32_t contact, int32_t nameWord)
    {
        EXPECT_EQ(0, Send(MsgInviteBoard, contact, nameWord, net));
    }

    // A stored board invitation with `body`, received and ready to accept.
    void Receive(const char* body) { host.store.Receive(MessageTypeBoard, body); }

    void UseHost(StandInHost& other)
    {
        other.pluginModule = plugin->Module();
        Send(MsgInit, AddressWord(static_cast<HostCore*>(&other)));
    }
};

TEST_F(InvitationRobustnessTest, RefusedStoreSendsNothing)
{
    NumberingHost refusing(-1);
    refusing.contacts[42] = Contact {"ala@example", 7007};
    // Another message waits in the store, not sent yet.
    QueuedMessage waiting = {};
    waiting.size = sizeof waiting;
    waiting.type = 1;
    waiting.body = "czekam";
    refusing.store.Add(waiting);
    UseHost(refusing);

    Invite(7, 42, AddressWord("Ala"));
    EXPECT_EQ(1u, refusing.CallsOf(HostCall::Message, MsgQueueAdd).size());
    EXPECT_TRUE(refusing.CallsOf(HostCall::Message, MsgQueueProcess).empty());
    ASSERT_EQ(1u, refusing.store.Messages().size());
    EXPECT_EQ(StoredMessage::Stored, refusing.store.Messages().begin()->second.state);
    // The uid still goes back.
    EXPECT_EQ(1u, refusing.CallsOf(HostCall::Free).size());
    EXPECT_EQ(0u, refusing.OutstandingTexts());
    UseHost(host);
}

TEST_F(InvitationRobustnessTest, MessageNumberZeroIsStillProcessed)
{
    // Only a negative number says nothing was stored.
    NumberingHost numbering(0);
    UseHost(numbering);
    Invite(7, 42, AddressWord("Ala"));
    auto processed = numbering.CallsOf(HostCall::Message, MsgQueueProcess);
    ASSERT_EQ(1u, processed.size());
    MessageSelector selector;
    std::memcpy(&selector, processed[0].record.data(), sizeof selector);
    EXPECT_EQ(0, selector.messageId);
    EXPECT_EQ(0u, numbering.OutstandingTexts());
    UseHost(host);
}

TEST_F(InvitationRobustnessTest, NameIsReadOnlyAsFarAsTheInvitationHoldsIt)
{
    struct Case {
        int32_t net, contact;
    } const cases[] = {{7, 42}, {-2147483647 - 1, 42}, {0, 0}};
    for (const Case& c : cases) {
        const std::string numbers = std::to_string(c.net) + " " + std::to_string(c.contact) + " ";
        const size_t room = 299 - numbers.size();
        // Exactly as many name bytes as fit, and no terminator after them:
        // the next byte cannot be read.
        GuardedBytes name(room, 'n');
        host.store = MessageStore();
        Invite(c.net, c.contact, name.Word());
        ASSERT_EQ(1u, host.store.Messages().size());
        EXPECT_EQ(numbers + std::string(room, 'n'), host.store.Messages().begin()->second.body);
    }
    // A short name that ends right before the unreadable page.
    GuardedBytes shortName(4);
    std::memcpy(shortName.Bytes(), "Ola", 4);
    host.store = MessageStore();
    Invite(7, 42, shortName.Word());
    ASSERT_EQ(1u, host.store.Messages().size());
    EXPECT_EQ("7 42 Ola", host.store.Messages().begin()->second.body);
    EXPECT_EQ(0u, host.OutstandingTexts());
}

TEST_F(InvitationRobustnessTest, NotificationIsReadWhateverItsSizeSays)
{
    for (uint16_t size : {0, 10, 17, 18, 0xFFFF}) {
        Receive("7 42 Ala");
        // The record holds exactly the id and the code, and nothing after.
        GuardedBytes record(sizeof(ActionNotify));
        ActionNotify notify = {};
        notify.size = size;
        notify.action.id = ActionBoard;
        notify.code = 1;
        std::memcpy(record.Bytes(), &notify, sizeof notify);
        EXPECT_EQ(0, Send(MsgAction, record.Word())) << size;
        EXPECT_EQ(1, Send(MsgBoardState, 42, 0, 7)) << size;
        EXPECT_TRUE(host.store.Messages().empty()) << size;
        SendMessageA(FrameOf(7, 42), WM_CLOSE, 0, 0);
    }
    // Whatever the size, other items and codes are still ignored.
    Receive("7 42 Ala");
    ActionNotify other = {};
    other.action.id = ActionBoard;
    other.code = 2;
    EXPECT_EQ(0, Send(MsgAction, AddressWord(&other)));
    EXPECT_EQ(0, Send(MsgBoardState, 42, 0, 7));
    EXPECT_EQ(1u, host.store.Messages().size());
}

TEST_F(InvitationRobustnessTest, InvitationToABoardWithTheEmptyNameOpensIt)
{
    // Sent with an empty and with a null name, then accepted.
    Invite(7, 42, AddressWord(""));
    Invite(-1, 42, 0);
    EXPECT_EQ(2, host.store.Deliver());
    ActionNotify notify = {};
    notify.size = sizeof notify;
    notify.action.id = ActionBoard;
    notify.code = 1;
    EXPECT_EQ(0, Send(MsgAction, AddressWord(&notify)));
    EXPECT_EQ(0, Send(MsgAction, AddressWord(&notify)));
    EXPECT_TRUE(host.store.Messages().empty());
    for (int32_t net : {7, -1}) {
        HWND frame = FrameOf(net, 42);
        ASSERT_TRUE(frame) << net;
        char title[64] = {};
        GetWindowTextA(frame, title, sizeof title);
        EXPECT_STREQ("Grafika - ", title);
    }
    // Two numbers with nothing after them are the same invitation.
    Receive("3 4");
    EXPECT_EQ(0, Send(MsgAction, AddressWord(&notify)));
    EXPECT_EQ(1, Send(MsgBoardState, 4, 0, 3));
    EXPECT_TRUE(host.store.Messages().empty());
}

TEST_F(InvitationRobustnessTest, HostReplacedWhileInvitingGetsNothingOfTheInvitation)
{
    StandInHost other;
    other.pluginModule = plugin->Module();
    bool replaced = false;
    // The host hands the plugin another HostCore from inside the uid's read.
    host.duringCall = [&](const HostCall& call) {
        if (!replaced && call.kind == HostCall::Get && call.table == TableContacts) {
            replaced = true;
            Send(MsgInit, AddressWord(static_cast<HostCore*>(&other)));
        }
    };
    Invite(7, 42, AddressWord("Ala"));
    host.duringCall = nullptr;
    ASSERT_TRUE(replaced);
    // The whole invitation went to the host that began it, the uid included.
    EXPECT_EQ(0u, host.OutstandingTexts());
    EXPECT_EQ(1u, host.CallsOf(HostCall::Free).size());
    ASSERT_EQ(1u, host.store.Messages().size());
    EXPECT_EQ(7007, host.store.Messages().begin()->second.record.messageNet);
    EXPECT_TRUE(other.calls.empty());
    // Messages after it talk to the new host.
    EXPECT_EQ(0, Send(772505));
    EXPECT_EQ(1u, other.CallsOf(HostCall::Error).size());
    UseHost(host);
}

}  // namespace
