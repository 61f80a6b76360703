// A board whose toolbar or rebar could not be created: the messages shown,
// and the board working on with its defaults.
#include "board_controls_support.h"

#include <string>
#include <vector>

namespace {

std::vector<ModalSeen> OpenRefusing(const char* refusedClass, const std::function<HWND()>& open, HWND& frame)
{
    std::vector<ModalSeen> seen;
    RefuseWindowClass refuse(refusedClass);
    ModalAnswerer answer([&](HWND box) {
        seen.push_back(DescribeModal(box));
        PressDialogButton(box, IDOK);
    });
    frame = open();
    return seen;
}

void ExpectPlainBox(const ModalSeen& box, const std::string& text)
{
    EXPECT_EQ(text, box.text);
    EXPECT_EQ("Error", box.caption);  // the system's default caption
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ(std::vector<int> {IDOK}, box.visibleButtons);
}

void ExpectDefaults(const BoardWindowState* state)
{
    EXPECT_EQ(ToolFreehand, state->tool);
    EXPECT_EQ(1, state->penWidth);
    EXPECT_EQ(0u, state->penColor);
    EXPECT_EQ(1, state->penEnabled);
    EXPECT_EQ(0u, state->fillColor);
    EXPECT_EQ(0, state->fillEnabled);
}

TEST_F(BoardControlsTest, BoardWithoutToolbarKeepsItsDefaults)
{
    HWND frame = nullptr;
    const std::vector<ModalSeen> boxes = OpenRefusing(
        TOOLBARCLASSNAMEA, [&] { return Open(4, 40); }, frame);
    ASSERT_NE(nullptr, frame);
    ASSERT_EQ(2u, boxes.size());
    ExpectPlainBox(boxes[0], "Toolbar not created!");
    ExpectPlainBox(boxes[1], "Could not create the toolbar");

    BoardWindowState* state = State(frame);
    EXPECT_EQ(nullptr, state->toolbarWindow);
    EXPECT_EQ(nullptr, state->sizePickerWindow);
    ASSERT_NE(nullptr, state->rebarWindow);
    EXPECT_EQ(0, SendMessageA(state->rebarWindow, RB_GETBANDCOUNT, 0, 0));
    ExpectDefaults(state);

    // The canvas lies below the empty rebar.
    ASSERT_NE(nullptr, state->canvasWindow);
    SetWindowPos(frame, nullptr, 0, 0, 420, 320, SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages();
    RECT rebar = {};
    GetWindowRect(state->rebarWindow, &rebar);
    EXPECT_EQ(rebar.bottom - rebar.top, RectIn(frame, state->canvasWindow).top);

    // Choices and commands still reach the record; there is no picker to repaint.
    EXPECT_EQ(0, SendMessageA(frame, MsgSetPenColor, MenuColorRed, 0));
    EXPECT_EQ(0x00172DE8u, state->penColor);
    EXPECT_EQ(0, SendMessageA(frame, MsgSetFillColor, MenuColorNone, 0));
    EXPECT_EQ(0, state->fillEnabled);
    SendMessageA(frame, WM_COMMAND, CmdToolLine, 0);
    EXPECT_EQ(ToolLine, state->tool);
}

TEST_F(BoardControlsTest, BoardWithoutRebarSaysSoOnce)
{
    HWND frame = nullptr;
    const std::vector<ModalSeen> boxes = OpenRefusing(
        REBARCLASSNAMEA, [&] { return Open(4, 41); }, frame);
    ASSERT_NE(nullptr, frame);
    ASSERT_EQ(1u, boxes.size());
    ExpectPlainBox(boxes[0], "Nie utworzono Toolbara");

    BoardWindowState* state = State(frame);
    EXPECT_EQ(nullptr, state->rebarWindow);
    EXPECT_EQ(nullptr, state->toolbarWindow);
    EXPECT_EQ(nullptr, state->sizePickerWindow);
    ExpectDefaults(state);
    EXPECT_EQ(0, SendMessageA(frame, MsgSetFillColor, MenuColorBlue, 0));
    EXPECT_EQ(0x00FFC600u, state->fillColor);
    EXPECT_EQ(1, state->fillEnabled);
}

}  // namespace
