// The pen-width picker: widths 1 to 10 through its up-down control, and its
// picture of the board's width, pen and fill, read back from the screen.
#include "board_controls_support.h"

#include <algorithm>

namespace {

const COLORREF Red = 0x00172DE8;
const COLORREF Yellow = 0x0000FFFF;
const COLORREF Black = RGB(0, 0, 0);

HWND Spin(HWND picker)
{
    return GetDlgItem(picker, IdSizeSpin);
}

// A click on the upper (up) or lower (down) arrow of the up-down control.
void PressSpin(HWND picker, bool up)
{
    HWND spin = Spin(picker);
    RECT client = {};
    GetClientRect(spin, &client);
    ClickAt(spin, client.right / 2, up ? client.bottom / 4 : client.bottom * 3 / 4);
}

int SpinPosition(HWND picker)
{
    return LOWORD(SendMessageA(Spin(picker), UDM_GETPOS, 0, 0));
}

// Rows of column `x` that hold `colour`: how many, and the first one.
struct RowRun {
    int count = 0;
    int first = -1;
    int last = -1;
};

RowRun RowsOf(const PixelGrid& grid, int x, COLORREF colour)
{
    RowRun run;
    for (int y = 0; y < grid.height; ++y)
        if (grid.At(x, y) == colour) {
            if (run.first < 0)
                run.first = y;
            run.last = y;
            ++run.count;
        }
    return run;
}

// The text region: left of the up-down strip, away from the bar's rows.
struct TextPixels {
    int count = 0;       // pixels of the asked colour
    int minX = 1 << 20;  // their horizontal extent
    int maxX = -1;
};

TextPixels TextPixelsOf(const PixelGrid& grid, COLORREF colour, int scroll, int barFirst, int barLast)
{
    TextPixels text;
    for (int y = 2; y < grid.height - 2; ++y) {
        if (y >= barFirst && y <= barLast)
            continue;
        for (int x = 2; x < grid.width - scroll - 1; ++x)
            if (grid.At(x, y) == colour) {
                ++text.count;
                text.minX = std::min(text.minX, x);
                text.maxX = std::max(text.maxX, x);
            }
    }
    return text;
}

TEST_F(BoardControlsTest, NewPickerShowsWidthOneOnTheWindowColour)
{
    HWND frame = Open(3, 30);
    ASSERT_NE(nullptr, frame);
    HWND picker = Picker(frame);
    ASSERT_NE(nullptr, picker);
    ASSERT_NE(nullptr, Spin(picker));
    EXPECT_EQ(0, SpinPosition(picker));
    EXPECT_EQ(MAKELONG(9, 0), SendMessageA(Spin(picker), UDM_GETRANGE, 0, 0));

    const PixelGrid grid = CaptureClient(picker);
    ASSERT_GT(grid.height, 12);
    const int scroll = GetSystemMetrics(SM_CXVSCROLL);
    // The up-down control stands at the right edge, one pixel in from top and bottom.
    const RECT spin = RectIn(picker, Spin(picker));
    EXPECT_EQ(grid.width - scroll - 1, spin.left);
    EXPECT_EQ(1, spin.top);
    EXPECT_EQ(grid.height - 1, spin.bottom);
    EXPECT_GT(spin.right, spin.left);
    EXPECT_EQ(0x54000000u, static_cast<DWORD>(GetWindowLongA(Spin(picker), GWL_STYLE)));
    const COLORREF outline = GetSysColor(COLOR_INACTIVECAPTION);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(outline, grid.At(0, 0));
    EXPECT_EQ(outline, grid.At(grid.width / 2, 0));
    EXPECT_EQ(outline, grid.At(0, grid.height - 1));
    EXPECT_EQ(outline, grid.At(grid.width / 2, grid.height - 1));
    EXPECT_EQ(window, grid.At(1, 1));
    EXPECT_EQ(window, grid.At(3, 3));

    const RowRun bar = RowsOf(grid, 8, Black);
    EXPECT_EQ(1, bar.count);
    EXPECT_EQ(grid.height / 2, bar.first);
    EXPECT_EQ(Black, grid.At(5, grid.height / 2));
    EXPECT_NE(Black, grid.At(4, grid.height / 2));
    // Without an outline the right and bottom edges stay out of the bar.
    EXPECT_EQ(Black, grid.At(grid.width - scroll - 8, grid.height / 2));
    EXPECT_NE(Black, grid.At(grid.width - scroll - 7, grid.height / 2));
    EXPECT_GT(TextPixelsOf(grid, Black, scroll, bar.first, bar.last).count, 0);
}

TEST_F(BoardControlsTest, BarIsAsHighAsTheWidthFromOneToTen)
{
    HWND frame = Open(3, 31);
    ASSERT_NE(nullptr, frame);
    HWND picker = Picker(frame);
    ASSERT_NE(nullptr, picker);
    SendMessageA(frame, MsgSetPenColor, MenuColorRed, 0);

    for (int width = 1; width <= 10; ++width) {
        SCOPED_TRACE(width);
        if (width > 1)
            PressSpin(picker, true);
        ASSERT_EQ(width, State(frame)->penWidth);
        EXPECT_EQ(width - 1, SpinPosition(picker));
        const PixelGrid grid = CaptureClient(picker);
        const RowRun bar = RowsOf(grid, 8, Red);
        EXPECT_EQ(width, bar.count);
        EXPECT_EQ(grid.height / 2 - width / 2, bar.first);
        EXPECT_EQ(bar.first + width - 1, bar.last);
    }
}

TEST_F(BoardControlsTest, WidthIsRefusedBelowOneAndAboveTen)
{
    HWND frame = Open(3, 32);
    ASSERT_NE(nullptr, frame);
    HWND picker = Picker(frame);
    ASSERT_NE(nullptr, picker);

    PressSpin(picker, false);
    EXPECT_EQ(1, State(frame)->penWidth);
    EXPECT_EQ(0, SpinPosition(picker));
    for (int press = 0; press < 9; ++press)
        PressSpin(picker, true);
    EXPECT_EQ(10, State(frame)->penWidth);
    PressSpin(picker, true);
    EXPECT_EQ(10, State(frame)->penWidth);
    EXPECT_EQ(9, SpinPosition(picker));
    PressSpin(picker, false);
    EXPECT_EQ(9, State(frame)->penWidth);

    // The notification itself: 1 refuses, 0 lets the control move.
    NMUPDOWN change = {};
    change.hdr.hwndFrom = Spin(picker);
    change.hdr.idFrom = IdSizeSpin;
    change.hdr.code = UDN_DELTAPOS;
    change.iPos = 9;
    change.iDelta = 1;
    EXPECT_EQ(1, SendMessageA(picker, WM_NOTIFY, IdSizeSpin, reinterpret_cast<LPARAM>(&change)));
    change.iPos = 0;
    change.iDelta = -1;
    EXPECT_EQ(1, SendMessageA(picker, WM_NOTIFY, IdSizeSpin, reinterpret_cast<LPARAM>(&change)));
    change.iPos = 2;
    change.iDelta = -5;
    EXPECT_EQ(1, SendMessageA(picker, WM_NOTIFY, IdSizeSpin, reinterpret_cast<LPARAM>(&change)));
    EXPECT_EQ(9, State(frame)->penWidth);
    change.iPos = 3;
    change.iDelta = 2;
    ValidateRect(picker, nullptr);
    EXPECT_EQ(0, SendMessageA(picker, WM_NOTIFY, IdSizeSpin, reinterpret_cast<LPARAM>(&change)));
    EXPECT_EQ(6, State(frame)->penWidth);
    EXPECT_TRUE(GetUpdateRect(picker, nullptr, FALSE));
    change.hdr.code = NM_CLICK;
    change.iPos = 0;
    change.iDelta = 0;
    EXPECT_EQ(0, SendMessageA(picker, WM_NOTIFY, IdSizeSpin, reinterpret_cast<LPARAM>(&change)));
    EXPECT_EQ(6, State(frame)->penWidth);
}

TEST_F(BoardControlsTest, FillAndTextColoursFollowTheMenus)
{
    HWND frame = Open(3, 33);
    ASSERT_NE(nullptr, frame);
    HWND picker = Picker(frame);
    ASSERT_NE(nullptr, picker);
    const int scroll = GetSystemMetrics(SM_CXVSCROLL);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    SendMessageA(frame, MsgSetPenColor, MenuColorRed, 0);
    SendMessageA(frame, MsgSetFillColor, MenuColorYellow, 0);

    // Fill on, outline on: yellow inside but not in the up-down strip, red text.
    PixelGrid grid = CaptureClient(picker);
    const int middle = grid.height / 2;
    const int right = grid.width - scroll - 2;  // last filled column
    EXPECT_EQ(window, grid.At(1, 1));
    EXPECT_EQ(Yellow, grid.At(2, 2));
    EXPECT_EQ(Yellow, grid.At(right, 2));
    EXPECT_EQ(Yellow, grid.At(right, grid.height - 3));
    EXPECT_NE(Yellow, grid.At(right + 1, 2));
    EXPECT_NE(Yellow, grid.At(2, grid.height - 2));
    EXPECT_EQ(Red, grid.At(8, middle));
    TextPixels text = TextPixelsOf(grid, Red, scroll, middle, middle);
    EXPECT_GT(text.count, 0);

    // Outline off: black text in a yellow cell over the red bar.
    SendMessageA(frame, MsgSetPenColor, MenuColorNone, 0);
    grid = CaptureClient(picker);
    EXPECT_EQ(Red, grid.At(8, middle));
    EXPECT_EQ(0, TextPixelsOf(grid, Red, scroll, middle, middle).count);
    text = TextPixelsOf(grid, Black, scroll, middle, middle);
    ASSERT_GT(text.count, 0);
    // The opaque text cell hides the bar under the text.
    for (int x = text.minX; x <= text.maxX; ++x)
        EXPECT_NE(Red, grid.At(x, middle)) << x;
    EXPECT_EQ(Yellow, grid.At(text.minX - 1, middle));

    // Fill off: the window colour again, and a white text cell.
    SendMessageA(frame, MsgSetFillColor, MenuColorNone, 0);
    grid = CaptureClient(picker);
    EXPECT_EQ(window, grid.At(2, 2));
    EXPECT_EQ(window, grid.At(right, 2));
    EXPECT_EQ(Red, grid.At(8, middle));
    text = TextPixelsOf(grid, Black, scroll, middle, middle);
    ASSERT_GT(text.count, 0);
    for (int x = text.minX; x <= text.maxX; ++x)
        EXPECT_NE(Red, grid.At(x, middle)) << x;
    EXPECT_EQ(RGB(255, 255, 255), grid.At(text.minX - 1, middle));

    // Outline on again, fill off: red text on white.
    SendMessageA(frame, MsgSetPenColor, MenuColorBlack, 0);
    SendMessageA(frame, MsgSetPenColor, MenuColorRed, 0);
    grid = CaptureClient(picker);
    EXPECT_GT(TextPixelsOf(grid, Red, scroll, middle, middle).count, 0);
    EXPECT_EQ(0, TextPixelsOf(grid, Black, scroll, middle, middle).count);
}

}  // namespace
