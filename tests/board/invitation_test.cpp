// Inviting a contact to a board and accepting an invitation, through the
// host's message store.
#include "plugin_fixture.h"

#include <cstring>
#include <iterator>
#include <string>

namespace {

class InvitationTest : public PluginTest {
protected:
    void SetUp() override
    {
        PluginTest::SetUp();
        host.contacts[42] = Contact {"ala@example", 7007};
        host.contacts[43] = Contact {"ola@example", 5};
    }

    void Invite(int32_t net, int32_t contact, const char* name)
    {
        EXPECT_EQ(0, Send(MsgInviteBoard, contact, AddressWord(name), net));
    }

    // Activates the plugin's item as the host does when the user clicks it.
    intptr_t Activate(int32_t id = ActionBoard, int32_t code = 1, uint16_t size = sizeof(ActionNotify))
    {
        ActionNotify notify = {};
        notify.size = size;
        notify.action.id = id;
        notify.code = code;
        return Send(MsgAction, AddressWord(&notify));
    }
};

TEST_F(InvitationTest, InvitationIsStoredAndSentWithEveryField)
{
    Invite(7, 42, "Ala");
    auto adds = host.CallsOf(HostCall::Message, MsgQueueAdd);
    ASSERT_EQ(1u, adds.size());
    ASSERT_EQ(58u, adds[0].record.size());
    QueuedMessage sent;
    std::memcpy(&sent, adds[0].record.data(), sizeof sent);
    EXPECT_EQ(58, sent.size);
    EXPECT_EQ(0, sent.messageId);
    EXPECT_EQ(7007, sent.messageNet);
    EXPECT_EQ(12, sent.type);
    EXPECT_EQ(30, adds[0].message.size);
    EXPECT_EQ(0, adds[0].message.p2);
    EXPECT_EQ(8, sent.flags);
    EXPECT_EQ(772001, sent.action.id);
    EXPECT_EQ(1, sent.action.parent);
    EXPECT_EQ(42, sent.action.contact);
    EXPECT_EQ(772001, sent.notify);
    for (uint8_t b : sent.reserved)
        EXPECT_EQ(0, b);

    // What the host keeps is its own copy of the texts.
    ASSERT_EQ(1u, host.store.Messages().size());
    const StoredMessage& stored = host.store.Messages().begin()->second;
    EXPECT_EQ("7 42 Ala", stored.body);
    EXPECT_EQ("ala@example", stored.uid1);
    EXPECT_EQ("ala@example", stored.uid2);
    EXPECT_EQ("", stored.extra);
    EXPECT_EQ(StoredMessage::Sent, stored.state);

    // Processed by the number the host gave it, and the uid handed back.
    auto processed = host.CallsOf(HostCall::Message, MsgQueueProcess);
    ASSERT_EQ(1u, processed.size());
    MessageSelector selector;
    std::memcpy(&selector, processed[0].record.data(), sizeof selector);
    EXPECT_EQ(26, selector.size);
    EXPECT_EQ(-1, selector.word2);
    EXPECT_EQ(0, selector.word6);
    EXPECT_EQ(-1, selector.type);
    EXPECT_EQ(0, selector.word14);
    EXPECT_EQ(0, selector.word18);
    EXPECT_EQ(host.store.Messages().begin()->first, selector.messageId);
    EXPECT_EQ(0u, host.OutstandingTexts());
    EXPECT_EQ(1u, host.CallsOf(HostCall::Free).size());
}

TEST_F(InvitationTest, BodyCarriesSignedNumbersAndTheName)
{
    Invite(-1, 42, "Ala");
    Invite(7, -3, "Ala Nowak");
    Invite(0, 43, "");
    std::vector<std::string> bodies;
    for (const auto& entry : host.store.Messages())
        bodies.push_back(entry.second.body);
    ASSERT_EQ(3u, bodies.size());
    EXPECT_EQ("-1 42 Ala", bodies[0]);
    EXPECT_EQ("7 -3 Ala Nowak", bodies[1]);
    EXPECT_EQ("0 43 ", bodies[2]);
}

TEST_F(InvitationTest, UnknownContactStillGivesBackItsText)
{
    Invite(1, 999, "Ala");
    ASSERT_EQ(1u, host.store.Messages().size());
    EXPECT_EQ(0, host.store.Messages().begin()->second.record.messageNet);
    EXPECT_EQ(0u, host.OutstandingTexts());
}

TEST_F(InvitationTest, OverlongNameIsCutToTheInvitationText)
{
    std::string name(5000, 'x');
    Invite(7, 42, name.c_str());
    ASSERT_EQ(1u, host.store.Messages().size());
    const std::string& body = host.store.Messages().begin()->second.body;
    EXPECT_EQ(299u, body.size());
    EXPECT_EQ(0u, body.find("7 42 xxx"));
}

TEST_F(InvitationTest, NullNameSendsAnEmptyName)
{
    EXPECT_EQ(0, Send(MsgInviteBoard, 42, 0, 7));
    ASSERT_EQ(1u, host.store.Messages().size());
    EXPECT_EQ("7 42 ", host.store.Messages().begin()->second.body);
}

TEST_F(InvitationTest, AcceptingOpensTheNamedBoardAndMarksThatMessageDone)
{
    QueuedMessage other = {};
    other.size = sizeof other;
    other.type = 1;  // a chat message, not an invitation
    other.body = "hello";
    host.store.Add(other);
    Invite(7, 42, "Ala Nowak");
    Invite(-1, 43, "Ola");
    host.store.Deliver();
    ASSERT_EQ(3u, host.store.Messages().size());
    const int first = std::next(host.store.Messages().begin())->first;

    host.calls.clear();
    EXPECT_EQ(0, Activate());
    HWND frame = FindWindowA(BoardFrameClassName, "Grafika - Ala");
    EXPECT_NE(nullptr, frame);
    EXPECT_EQ(1, Send(MsgBoardState, 42, 0, 7));

    auto done = host.CallsOf(HostCall::Message, MsgQueueDone);
    ASSERT_EQ(1u, done.size());
    EXPECT_EQ(1, done[0].message.p2);
    MessageSelector selector;
    std::memcpy(&selector, done[0].record.data(), sizeof selector);
    EXPECT_EQ(-1, selector.type);
    EXPECT_EQ(first, selector.messageId);
    EXPECT_EQ(2u, host.store.Messages().size());
    EXPECT_EQ(0u, host.store.Messages().count(first));

    // The next activation takes the next invitation; its net keeps its sign.
    EXPECT_EQ(0, Activate());
    EXPECT_NE(nullptr, FindWindowA(BoardFrameClassName, "Grafika - Ola"));
    EXPECT_EQ(1, Send(MsgBoardState, 43, 0, -1));
    EXPECT_EQ(1u, host.store.Messages().size());
}

TEST_F(InvitationTest, OverlongNameWordIsCutToItsBuffer)
{
    host.store.Receive(MessageTypeBoard, ("3 4 " + std::string(1000, 'n')).c_str());
    EXPECT_EQ(0, Activate());
    EXPECT_EQ(1, Send(MsgBoardState, 4, 0, 3));
    std::string title = "Grafika - " + std::string(255, 'n');
    EXPECT_NE(nullptr, FindWindowA(BoardFrameClassName, title.c_str()));
    EXPECT_TRUE(host.store.Messages().empty());
}

TEST_F(InvitationTest, ActivationWithNothingStoredDoesNothing)
{
    host.calls.clear();
    EXPECT_EQ(0, Activate());
    EXPECT_EQ(1u, host.CallsOf(HostCall::Message, MsgQueueGet).size());
    EXPECT_TRUE(host.CallsOf(HostCall::Message, MsgQueueDone).empty());
    EXPECT_EQ(0, Send(MsgBoardState, 0, 0, 0));
}

// The host copies a stored invitation into a record that starts out with the
// defaults of a queued message, empty texts included.
TEST_F(InvitationTest, FetchTargetHoldsTheDefaults)
{
    for (bool stored : {false, true}) {
        if (stored) {
            Invite(7, 42, "Ala");
            host.store.Deliver();
        }
        host.calls.clear();
        EXPECT_EQ(0, Activate());
        auto gets = host.CallsOf(HostCall::Message, MsgQueueGet);
        ASSERT_EQ(1u, gets.size());
        ASSERT_EQ(58u, gets[0].target.size());
        QueuedMessage target;
        std::memcpy(&target, gets[0].target.data(), sizeof target);
        EXPECT_EQ(58, target.size);
        EXPECT_EQ(0, target.messageId);
        EXPECT_EQ(0, target.messageNet);
        EXPECT_EQ(0, target.type);
        // The texts are the plugin's constants, alive while it is loaded.
        for (const char* text : {target.uid1, target.uid2, target.body, target.extra}) {
            ASSERT_NE(nullptr, text);
            EXPECT_STREQ("", text);
        }
        EXPECT_EQ(0, target.flags);
        EXPECT_EQ(0, target.action.id);
        EXPECT_EQ(0, target.action.parent);
        EXPECT_EQ(-2, target.action.contact);
        EXPECT_EQ(0, target.notify);
        for (uint8_t b : target.reserved)
            EXPECT_EQ(0, b);
        // An empty store still yields nothing to open or mark done.
        EXPECT_EQ(stored ? 1u : 0u, host.CallsOf(HostCall::Message, MsgQueueDone).size());
        EXPECT_EQ(stored ? 1 : 0, Send(MsgBoardState, 42, 0, 7));
    }
}

TEST_F(InvitationTest, OtherItemsAndCodesAreIgnored)
{
    Invite(7, 42, "Ala");
    host.store.Deliver();
    host.calls.clear();
    EXPECT_EQ(0, Activate(772002, 1));
    EXPECT_EQ(0, Activate(ActionBoard, 2));
    EXPECT_EQ(0, Send(MsgAction, 0));  // no record at all
    EXPECT_TRUE(host.CallsOf(HostCall::Message).empty());
    EXPECT_EQ(1u, host.store.Messages().size());
}

TEST_F(InvitationTest, MalformedBodiesOpenNothingButAreDone)
{
    for (const char* body : {"", "7", "seven 42 Ala", "7 x Ala", "   "}) {
        host.store.Receive(MessageTypeBoard, body);
        EXPECT_EQ(0, Activate()) << body;
        EXPECT_TRUE(host.store.Messages().empty()) << body;
        EXPECT_EQ(0, Send(MsgBoardState, 42, 0, 7)) << body;
    }
}

}  // namespace
