// Other plugins drawing on a board, setting the attributes of their
// drawings, asking for its state and flashing it.
#include "pe_image.h"
#include "board_test_support.h"

#include <climits>
#include <cstring>
#include <vector>

namespace {

const COLORREF White = RGB(255, 255, 255);
const COLORREF Black = RGB(0, 0, 0);
const COLORREF Red = RGB(255, 0, 0);
const COLORREF Green = RGB(0, 255, 0);
const COLORREF Blue = RGB(0, 0, 255);

std::vector<FLASHWINFO> gFlashes;

BOOL WINAPI RecordFlash(PFLASHWINFO info)
{
    gFlashes.push_back(*info);
    return TRUE;
}

class DrawMessageTest : public PluginTest {
protected:
    void SetUp() override
    {
        PluginTest::SetUp();
        gFlashes.clear();
        Send(MsgOpenBoard, 42, AddressWord("Ala"), 7);
        frame = FindWindowA(BoardFrameClassName, "Grafika - Ala");
        ASSERT_NE(nullptr, frame);
        state = FrameRecord(frame);
        ASSERT_NE(nullptr, state);
        flashPatch.reset(
            new ImportPatch(plugin->Module(), "user32.dll", "FlashWindowEx", reinterpret_cast<void*>(&RecordFlash)));
        ASSERT_TRUE(flashPatch->Applied());
    }

    void TearDown() override
    {
        flashPatch.reset();
        PluginTest::TearDown();
    }

    void Set(uint32_t attribute, int32_t value, int32_t net = 7, int32_t contact = 42)
    {
        EXPECT_EQ(0, Send(attribute, contact, value, net));
    }

    void Draw(uint32_t id, int x1, int y1, int x2, int y2, int32_t net = 7, int32_t contact = 42)
    {
        EXPECT_EQ(0, plugin->SendDraw(id, net, contact, x1, y1, x2, y2));
    }

    BoardPicture Read() const { return BoardPicture(state->canvasBitmap); }

    HWND frame = nullptr;
    BoardWindowState* state = nullptr;
    std::unique_ptr<ImportPatch> flashPatch;
};

TEST_F(DrawMessageTest, NewBoardHasTheRequestDefaults)
{
    EXPECT_EQ(1, state->requestPenWidth);
    EXPECT_EQ(0u, state->requestPenColor);
    EXPECT_EQ(1, state->requestPenEnabled);
    EXPECT_EQ(0u, state->requestFillColor);
    EXPECT_EQ(0, state->requestFillEnabled);
}

TEST_F(DrawMessageTest, AttributeMessagesSetOnlyTheRequestFields)
{
    Set(MsgRequestPenColor, Green);
    Set(MsgRequestFillColor, Blue);
    Set(MsgRequestPenWidth, 7);
    Set(MsgRequestFillEnabled, 5);
    Set(MsgRequestPenEnabled, 0);
    EXPECT_EQ(Green, state->requestPenColor);
    EXPECT_EQ(Blue, state->requestFillColor);
    EXPECT_EQ(7, state->requestPenWidth);
    EXPECT_EQ(5, state->requestFillEnabled);  // taken as sent
    EXPECT_EQ(0, state->requestPenEnabled);
    // The user's attributes are untouched.
    EXPECT_EQ(1, state->penWidth);
    EXPECT_EQ(0u, state->penColor);
    EXPECT_EQ(1, state->penEnabled);
    EXPECT_EQ(0u, state->fillColor);
    EXPECT_EQ(0, state->fillEnabled);
    // Other boards' messages do not reach this one.
    Set(MsgRequestPenWidth, 9, 7, 43);
    Set(MsgRequestPenWidth, 9, 8, 42);
    EXPECT_EQ(7, state->requestPenWidth);
}

TEST_F(DrawMessageTest, LineUsesTheRequestPenNotTheUsers)
{
    state->penColor = Red;
    state->penWidth = 9;
    Set(MsgRequestPenColor, Green);
    Set(MsgRequestPenWidth, 3);
    Draw(MsgDrawLine, 10, 100, 200, 100);
    BoardPicture picture = Read();
    EXPECT_EQ(Rgb(Green), picture.At(100, 99));
    EXPECT_EQ(Rgb(Green), picture.At(100, 100));
    EXPECT_EQ(Rgb(Green), picture.At(100, 101));
    EXPECT_EQ(Rgb(White), picture.At(100, 104));
    EXPECT_EQ(0, picture.Count(Rgb(Red)));
    EXPECT_EQ(Rgb(Green), picture.At(10, 100));
    EXPECT_EQ(Rgb(White), picture.At(205, 100));
}

TEST_F(DrawMessageTest, UsersStrokesIgnoreTheRequestAttributes)
{
    // The request fields changed; the user's defaults (black, width 1)
    // still describe the user's strokes.
    Set(MsgRequestPenColor, Green);
    Set(MsgRequestPenWidth, 5);
    EXPECT_EQ(0u, state->penColor);
    EXPECT_EQ(1, state->penWidth);
}

TEST_F(DrawMessageTest, FilledRectangleWithOutline)
{
    Set(MsgRequestPenColor, Red);
    Set(MsgRequestFillColor, Blue);
    Set(MsgRequestFillEnabled, 1);
    Draw(MsgDrawRectangle, 50, 60, 150, 160);
    BoardPicture picture = Read();
    EXPECT_EQ(Rgb(Red), picture.At(50, 60));
    EXPECT_EQ(Rgb(Red), picture.At(149, 159));
    EXPECT_EQ(Rgb(Red), picture.At(50, 100));
    EXPECT_EQ(Rgb(Blue), picture.At(100, 100));
    EXPECT_EQ(Rgb(White), picture.At(150, 160));
    EXPECT_EQ(Rgb(White), picture.At(49, 100));
    EXPECT_EQ(98 * 98, picture.Count(Rgb(Blue)));
}

TEST_F(DrawMessageTest, PenOffRectangleHasNoOutlineWhileLinesAreStillDrawn)
{
    Set(MsgRequestPenColor, Red);
    Set(MsgRequestPenEnabled, 0);
    Set(MsgRequestFillColor, Blue);
    Set(MsgRequestFillEnabled, 1);
    Draw(MsgDrawRectangle, 50, 60, 150, 160);
    BoardPicture filled = Read();
    EXPECT_EQ(0, filled.Count(Rgb(Red)));
    EXPECT_EQ(Rgb(Blue), filled.At(50, 60));
    EXPECT_EQ(Rgb(Blue), filled.At(100, 100));

    Draw(MsgDrawLine, 300, 300, 400, 300);
    BoardPicture lined = Read();
    EXPECT_EQ(Rgb(Red), lined.At(350, 300));
}

TEST_F(DrawMessageTest, PenAndFillOffRectangleLeavesThePictureAlone)
{
    Set(MsgRequestPenEnabled, 0);
    Draw(MsgDrawRectangle, 10, 10, 300, 300);
    EXPECT_TRUE(Read().CountNotWhite() == 0);
}

TEST_F(DrawMessageTest, FillOffEllipseIsHollow)
{
    Set(MsgRequestFillColor, Blue);
    Set(MsgRequestFillEnabled, 0);
    Draw(MsgDrawEllipse, 100, 100, 301, 201);
    BoardPicture picture = Read();
    EXPECT_EQ(0, picture.Count(Rgb(Blue)));
    EXPECT_EQ(Rgb(White), picture.At(200, 150));
    EXPECT_EQ(Rgb(Black), picture.At(100, 150));
    EXPECT_EQ(Rgb(Black), picture.At(200, 100));
    EXPECT_GT(picture.Count(Rgb(Black)), 400);
}

TEST_F(DrawMessageTest, FilledEllipse)
{
    Set(MsgRequestFillColor, Blue);
    Set(MsgRequestFillEnabled, 1);
    Draw(MsgDrawEllipse, 100, 100, 301, 201);
    BoardPicture picture = Read();
    EXPECT_EQ(Rgb(Blue), picture.At(200, 150));
    EXPECT_EQ(Rgb(White), picture.At(102, 102));  // outside the ellipse's curve
}

TEST_F(DrawMessageTest, CoordinatesAddressThePictureWhateverTheScrollPosition)
{
    // A small window so that both scroll bars can move.
    SetWindowPos(frame, nullptr, 0, 0, 300, 250, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(state->canvasWindow, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 100), 0);
    SendMessageA(state->canvasWindow, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 50), 0);
    ASSERT_EQ(100, GetScrollPos(state->canvasWindow, SB_HORZ));
    ASSERT_EQ(50, GetScrollPos(state->canvasWindow, SB_VERT));
    Draw(MsgDrawLine, 5, 5, 5, 40);
    BoardPicture picture = Read();
    EXPECT_EQ(Rgb(Black), picture.At(5, 5));
    EXPECT_EQ(Rgb(Black), picture.At(5, 39));
    EXPECT_EQ(35, picture.Count(Rgb(Black)));
}

TEST_F(DrawMessageTest, MinimisedBoardFlashesAndIsDrawnOn)
{
    ShowWindow(frame, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(frame));
    EXPECT_EQ(2, Send(MsgBoardState, 42, 0, 7));
    Draw(MsgDrawLine, 0, 0, 100, 0);
    ASSERT_EQ(1u, gFlashes.size());
    EXPECT_EQ(20u, gFlashes[0].cbSize);
    EXPECT_EQ(frame, gFlashes[0].hwnd);
    EXPECT_EQ(0x0Eu, gFlashes[0].dwFlags);
    EXPECT_EQ(0u, gFlashes[0].uCount);
    EXPECT_EQ(0u, gFlashes[0].dwTimeout);
    EXPECT_EQ(100, Read().Count(Rgb(Black)));

    ShowWindow(frame, SW_RESTORE);
    EXPECT_EQ(1, Send(MsgBoardState, 42, 0, 7));
    Draw(MsgDrawRectangle, 0, 10, 10, 20);
    Draw(MsgDrawEllipse, 0, 10, 10, 20);
    EXPECT_EQ(1u, gFlashes.size());
}

TEST_F(DrawMessageTest, FlashBoardFlashesAnOpenBoardOnly)
{
    EXPECT_EQ(0, Send(MsgFlashBoard, 42, 0, 7));
    ASSERT_EQ(1u, gFlashes.size());
    EXPECT_EQ(frame, gFlashes[0].hwnd);
    EXPECT_EQ(0x0Eu, gFlashes[0].dwFlags);
    EXPECT_EQ(0, Send(MsgFlashBoard, 41, 0, 7));
    EXPECT_EQ(1u, gFlashes.size());
}

TEST_F(DrawMessageTest, MessagesForOtherBoardsDoNothing)
{
    Draw(MsgDrawLine, 0, 0, 100, 100, 7, 43);
    Draw(MsgDrawRectangle, 0, 0, 100, 100, -7, 42);
    EXPECT_TRUE(Read().CountNotWhite() == 0);
    EXPECT_EQ(0, Send(MsgBoardState, 43, 0, 7));
}

TEST_F(DrawMessageTest, BoardStateFollowsTheBoardsLife)
{
    EXPECT_EQ(1, Send(MsgBoardState, 42, 0, 7));
    SendMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, Send(MsgBoardState, 42, 0, 7));
    Draw(MsgDrawLine, 0, 0, 100, 100);
    EXPECT_EQ(0, Send(MsgFlashBoard, 42, 0, 7));
    EXPECT_TRUE(gFlashes.empty());
}

std::vector<HWND> gInvalidated;

BOOL WINAPI RecordInvalidate(HWND window, const RECT* rect, BOOL erase)
{
    gInvalidated.push_back(window);
    return InvalidateRect(window, rect, erase);
}

// A canvas window destroyed on its own leaves the board with its picture but
// nothing to repaint: the drawing still lands, and no other window is asked
// to repaint in its stead.
TEST_F(DrawMessageTest, BoardWithoutCanvasWindowRepaintsNothingElse)
{
    ImportPatch invalidatePatch(plugin->Module(), "user32.dll", "InvalidateRect",
                                reinterpret_cast<void*>(&RecordInvalidate));
    ASSERT_TRUE(invalidatePatch.Applied());
    gInvalidated.clear();
    Draw(MsgDrawLine, 0, 100, 100, 100);
    ASSERT_EQ(1u, gInvalidated.size());
    EXPECT_EQ(state->canvasWindow, gInvalidated[0]);

    DestroyWindow(state->canvasWindow);
    ASSERT_EQ(nullptr, state->canvasWindow);
    gInvalidated.clear();
    Draw(MsgDrawLine, 0, 200, 100, 200);
    EXPECT_EQ(200, Read().Count(Rgb(Black)));
    EXPECT_TRUE(gInvalidated.empty());
}

TEST_F(DrawMessageTest, NegativePenWidthDrawsThinLines)
{
    Set(MsgRequestPenWidth, -40);
    Draw(MsgDrawLine, 0, 200, 100, 200);
    EXPECT_EQ(100, Read().Count(Rgb(Black)));
    Set(MsgRequestPenWidth, INT_MIN);
    Draw(MsgDrawLine, 0, 300, 100, 300);
    EXPECT_EQ(200, Read().Count(Rgb(Black)));
}

// A record placed at the very end of readable memory: reading one byte past
// it faults.
class GuardedRecord {
public:
    explicit GuardedRecord(size_t size)
    {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page_ = info.dwPageSize;
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old);
        record_ = base_ + page_ - size;
    }
    ~GuardedRecord() { VirtualFree(base_, 0, MEM_RELEASE); }
    uint8_t* Bytes() { return record_; }

private:
    size_t page_ = 0;
    uint8_t* base_ = nullptr;
    uint8_t* record_ = nullptr;
};

TEST_F(DrawMessageTest, ShortRecordsAreNeverReadPastTheirEnd)
{
    // A 30-byte drawing message: the drawing fields are missing.
    const uint32_t drawIds[] = {MsgDrawLine, MsgDrawEllipse, MsgDrawRectangle};
    for (uint32_t id : drawIds) {
        GuardedRecord guarded(30);
        PluginMessage message = MakePluginMessage(id, 0, 0, 7);
        message.size = 30;
        std::memcpy(guarded.Bytes(), &message, 30);
        EXPECT_EQ(0, plugin->SendRecord(reinterpret_cast<PluginMessage*>(guarded.Bytes())));
    }
    // Records that end before p1/p2.
    const uint32_t shortIds[] = {MsgRequestPenColor, MsgOpenBoard, MsgInviteBoard, MsgBoardState,
                                 MsgFlashBoard,      MsgAction,    MsgInit};
    for (uint32_t id : shortIds) {
        GuardedRecord guarded(22);
        PluginMessage message = MakePluginMessage(id, 0, 0, 7);
        message.size = 22;
        std::memcpy(guarded.Bytes(), &message, 22);
        plugin->SendRecord(reinterpret_cast<PluginMessage*>(guarded.Bytes()));
    }
    EXPECT_TRUE(Read().CountNotWhite() == 0);
    EXPECT_TRUE(gFlashes.empty());
}

class AttributesBeforeOpenTest : public PluginTest {};

TEST_F(AttributesBeforeOpenTest, AreLost)
{
    EXPECT_EQ(0, Send(MsgRequestPenColor, 42, 0x123456, 7));
    EXPECT_EQ(0, Send(MsgRequestPenWidth, 42, 8, 7));
    EXPECT_EQ(0, Send(MsgRequestFillEnabled, 42, 1, 7));
    EXPECT_EQ(0, Send(MsgBoardState, 42, 0, 7));
    Send(MsgOpenBoard, 42, AddressWord("Ala"), 7);
    BoardWindowState* state = FrameRecord(FindWindowA(BoardFrameClassName, "Grafika - Ala"));
    ASSERT_NE(nullptr, state);
    EXPECT_EQ(0u, state->requestPenColor);
    EXPECT_EQ(1, state->requestPenWidth);
    EXPECT_EQ(0, state->requestFillEnabled);
}

}  // namespace
