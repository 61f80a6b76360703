// The host calling the plugin back from inside the calls the plugin makes
// while it opens a board: one window per key whatever arrives meanwhile, no
// registry entry used after it is gone, and no board outside the user
// interface's lifetime.
#include "board_test_support.h"
#include "pe_image.h"

#include <utility>
#include <vector>

namespace {

// Every BringWindowToTop of the plugin, with whether its window was alive.
std::vector<std::pair<HWND, bool>> gRaised;

BOOL WINAPI RecordRaise(HWND window)
{
    gRaised.push_back({window, IsWindow(window) != FALSE});
    return BringWindowToTop(window);
}

class ReentrancyTest : public BoardTest {
protected:
    void TearDown() override
    {
        host.duringCall = nullptr;
        BoardTest::TearDown();
    }

    // Runs `reenter` once, from inside the first host call that `matches`.
    template <typename Match, typename Action> void OnceDuring(Match matches, Action reenter)
    {
        fired = false;
        host.duringCall = [this, matches, reenter](const HostCall& call) {
            if (!fired && matches(call)) {
                fired = true;
                reenter();
            }
        };
    }

    intptr_t OpenAla() { return Send(MsgOpenBoard, 42, AddressWord("Ala"), 7); }

    bool fired = false;
};

bool IsPlacementRead(const HostCall& call)
{
    return call.kind == HostCall::Get && call.table == TableConfig;
}

bool IsSettingsWrite(const HostCall& call)
{
    return call.kind == HostCall::Set && call.table == TableConfig;
}

TEST_F(ReentrancyTest, BoardClosedWhileItIsRestoredIsNotRaised)
{
    HWND frame = Open(7, 42);
    ASSERT_TRUE(frame);
    ShowWindow(frame, SW_MINIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsIconic(frame));
    ImportPatch patch(plugin->Module(), "user32.dll", "BringWindowToTop", reinterpret_cast<void*>(&RecordRaise));
    ASSERT_TRUE(patch.Applied());
    gRaised.clear();

    // Restoring the board stores its size; the host ends the user interface
    // from inside that write.
    OnceDuring([](const HostCall& call) { return IsSettingsWrite(call) && call.column == ColBoardWidth; },
               [this] { Send(MsgUiEnd); });
    EXPECT_EQ(0, OpenAla());
    ASSERT_TRUE(fired);
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_TRUE(BoardFrames().empty());
    for (const auto& raised : gRaised)
        EXPECT_TRUE(raised.second) << "raised " << raised.first << ", a window that is gone";
}

TEST_F(ReentrancyTest, RestoredBoardIsStillRaisedWhenNothingInterferes)
{
    HWND frame = Open(7, 42);
    ASSERT_TRUE(frame);
    ShowWindow(frame, SW_MINIMIZE);
    ImportPatch patch(plugin->Module(), "user32.dll", "BringWindowToTop", reinterpret_cast<void*>(&RecordRaise));
    gRaised.clear();
    EXPECT_EQ(0, OpenAla());
    ASSERT_EQ(1u, gRaised.size());
    EXPECT_EQ(frame, gRaised[0].first);
    EXPECT_FALSE(IsIconic(frame));
}

TEST_F(ReentrancyTest, SameBoardRequestedWhilePlacementIsReadMakesOneWindow)
{
    OnceDuring(IsPlacementRead, [this] { OpenAla(); });
    OpenAla();
    ASSERT_TRUE(fired);
    PumpMessages();
    EXPECT_EQ(1u, BoardFrames().size());
    EXPECT_EQ(1, Send(MsgBoardState, 42, 0, 7));
    EXPECT_EQ(1, Send(MsgUiEnd));
    EXPECT_TRUE(BoardFrames().empty());  // no board window outlives the user interface
}

TEST_F(ReentrancyTest, SameBoardRequestedWhileItsWindowIsMadeMakesOneWindow)
{
    // The new frame stores its place while it is created, before the
    // registry knows it.
    OnceDuring(IsSettingsWrite, [this] { OpenAla(); });
    OpenAla();
    ASSERT_TRUE(fired);
    PumpMessages();
    EXPECT_EQ(1u, BoardFrames().size());
    EXPECT_EQ(1, Send(MsgBoardState, 42, 0, 7));
    EXPECT_EQ(1, Send(MsgUiEnd));
    EXPECT_TRUE(BoardFrames().empty());
}

TEST_F(ReentrancyTest, OtherBoardsMayOpenFromInsideAnOpening)
{
    OnceDuring(IsSettingsWrite, [this] { Send(MsgOpenBoard, 43, AddressWord("Ola"), 7); });
    OpenAla();
    ASSERT_TRUE(fired);
    PumpMessages();
    EXPECT_EQ(2u, BoardFrames().size());
    EXPECT_EQ(1, Send(MsgBoardState, 42, 0, 7));
    EXPECT_EQ(1, Send(MsgBoardState, 43, 0, 7));
    EXPECT_EQ(1, Send(MsgUiEnd));
    EXPECT_TRUE(BoardFrames().empty());
}

TEST_F(ReentrancyTest, UserInterfaceEndingDuringAnOpeningLeavesNoBoard)
{
    const std::vector<bool (*)(const HostCall&)> moments = {IsPlacementRead, IsSettingsWrite};
    for (auto moment : moments) {
        OnceDuring(moment, [this] { Send(MsgUiEnd); });
        OpenAla();
        ASSERT_TRUE(fired);
        PumpMessages();
        EXPECT_TRUE(BoardFrames().empty());
        EXPECT_EQ(0, Send(MsgBoardState, 42, 0, 7));
        // Ended and started again while the window was made: it belonged
        // to the user interface that ended.
        OnceDuring(moment, [this] {
            Send(MsgUiEnd);
            Send(MsgUiStart);
        });
        Send(MsgUiStart);
        OpenAla();
        ASSERT_TRUE(fired);
        PumpMessages();
        EXPECT_TRUE(BoardFrames().empty());
        host.duringCall = nullptr;
        // The next request opens the board normally.
        EXPECT_TRUE(Open(7, 42));
        EXPECT_EQ(1, Send(MsgUiEnd));
        EXPECT_TRUE(BoardFrames().empty());
        Send(MsgUiStart);
    }
}

TEST_F(ReentrancyTest, UserInterfaceEndedFromInsideItsStartStaysEnded)
{
    // The start asks for the module handle for its window classes, then for
    // each toolbar image: an end at the first, fourth and last of them.
    for (int moment : {1, 4, 11}) {
        int instanceCalls = 0;
        OnceDuring([&instanceCalls, moment](
                       const HostCall& call) { return call.kind == HostCall::Instance && ++instanceCalls == moment; },
                   [this] { Send(MsgUiEnd); });
        EXPECT_EQ(1, Send(MsgUiStart));
        ASSERT_TRUE(fired) << moment;
        host.duringCall = nullptr;
        EXPECT_EQ(0, OpenAla()) << moment;
        PumpMessages();
        EXPECT_TRUE(BoardFrames().empty()) << moment;
        EXPECT_EQ(1, Send(MsgUiStart));
        EXPECT_TRUE(Open(7, 42)) << moment;
        EXPECT_EQ(1, Send(MsgUiEnd));
    }
    Send(MsgUiStart);
}

TEST_F(ReentrancyTest, NoBoardOpensOutsideTheUserInterface)
{
    EXPECT_EQ(1, Send(MsgUiEnd));
    EXPECT_EQ(0, OpenAla());
    EXPECT_TRUE(BoardFrames().empty());
    EXPECT_EQ(0, Send(MsgBoardState, 42, 0, 7));

    // Nor through an accepted invitation.
    host.store.Receive(MessageTypeBoard, "7 42 Ala");
    ActionNotify notify = {};
    notify.size = sizeof notify;
    notify.action.id = ActionBoard;
    notify.code = 1;
    EXPECT_EQ(0, Send(MsgAction, AddressWord(&notify)));
    EXPECT_TRUE(BoardFrames().empty());

    // The next start allows them again.
    EXPECT_EQ(1, Send(MsgUiStart));
    EXPECT_TRUE(Open(7, 42));
}

class BeforeUiStartTest : public BoardTest {
protected:
    bool StartsPlugin() const override { return false; }
};

TEST_F(BeforeUiStartTest, NoBoardOpensBeforeTheUserInterfaceStarts)
{
    host.pluginModule = plugin->Module();
    Send(MsgInit, AddressWord(static_cast<HostCore*>(&host)));
    Send(MsgSetColumns);
    Send(MsgUiPrepare);
    EXPECT_EQ(0, Send(MsgOpenBoard, 42, AddressWord("Ala"), 7));
    EXPECT_TRUE(BoardFrames().empty());
    Send(MsgUiStart);
    EXPECT_TRUE(Open(7, 42));
    Send(MsgUiEnd);
    EXPECT_TRUE(BoardFrames().empty());
}

}  // namespace
