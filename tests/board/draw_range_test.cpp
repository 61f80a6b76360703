// Drawing requests whose coordinates reach beyond what GDI takes: they
// return, never hand GDI such values, and give the picture the pixels the
// whole figure gives it; requests within range draw as plain GDI does.
#include "board_test_support.h"
#include "gdi_ledger.h"
#include "pe_image.h"

#include <climits>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace {

const COLORREF Red = RGB(255, 0, 0);
const COLORREF Blue = RGB(0, 0, 255);

bool InGdiRange(int64_t v)
{
    return v >= -32768 && v <= 32767;
}

// Coordinates the plugin handed to GDI's figure calls, as seen through its
// imports; any outside GDI's range fails the test that drew them.
int64_t gOutOfRangeCalls = 0;
int64_t gFigureCalls = 0;

void Note(std::initializer_list<int> values)
{
    ++gFigureCalls;
    for (int v : values)
        if (!InGdiRange(v))
            ++gOutOfRangeCalls;
}

BOOL WINAPI WatchMoveToEx(HDC dc, int x, int y, LPPOINT previous)
{
    Note({x, y});
    return MoveToEx(dc, x, y, previous);
}

BOOL WINAPI WatchLineTo(HDC dc, int x, int y)
{
    Note({x, y});
    return LineTo(dc, x, y);
}

BOOL WINAPI WatchEllipse(HDC dc, int l, int t, int r, int b)
{
    Note({l, t, r, b});
    return Ellipse(dc, l, t, r, b);
}

BOOL WINAPI WatchRectangle(HDC dc, int l, int t, int r, int b)
{
    Note({l, t, r, b});
    return Rectangle(dc, l, t, r, b);
}

// The pen and brush of a request, as the attribute messages set them.
struct Attributes {
    int32_t penWidth = 1;
    COLORREF penColor = RGB(0, 0, 0);
    bool pen = true;
    bool fill = false;
    COLORREF fillColor = RGB(0, 0, 0);
};

class DrawRangeTest : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        frame = Open(7, 42);
        ASSERT_TRUE(frame);
        state = State(frame);
        const struct {
            const char* name;
            void* replacement;
        } watched[] = {
            {"MoveToEx", reinterpret_cast<void*>(&WatchMoveToEx)},
            {"LineTo", reinterpret_cast<void*>(&WatchLineTo)},
            {"Ellipse", reinterpret_cast<void*>(&WatchEllipse)},
            {"Rectangle", reinterpret_cast<void*>(&WatchRectangle)},
        };
        for (const auto& w : watched) {
            patches.emplace_back(new ImportPatch(plugin->Module(), "gdi32.dll", w.name, w.replacement));
            ASSERT_TRUE(patches.back()->Applied()) << w.name;
        }
        gOutOfRangeCalls = 0;
        gFigureCalls = 0;
    }

    void TearDown() override
    {
        EXPECT_EQ(0, gOutOfRangeCalls) << "coordinates beyond GDI's range reached GDI";
        patches.clear();
        BoardTest::TearDown();
    }

    void Use(const Attributes& a)
    {
        Send(MsgRequestPenWidth, 42, a.penWidth, 7);
        Send(MsgRequestPenColor, 42, static_cast<int32_t>(a.penColor), 7);
        Send(MsgRequestPenEnabled, 42, a.pen, 7);
        Send(MsgRequestFillEnabled, 42, a.fill, 7);
        Send(MsgRequestFillColor, 42, static_cast<int32_t>(a.fillColor), 7);
    }

    // The picture after one request on a cleared board.
    BoardPicture Drawn(uint32_t id, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
    {
        SendMessageA(frame, WM_COMMAND, CmdClear, 0);  // clear
        EXPECT_EQ(0, plugin->SendDraw(id, 7, 42, x1, y1, x2, y2));
        return BoardPicture(state->canvasBitmap);
    }

    // The same figure drawn by plain GDI on a white picture of the same kind.
    static BoardPicture PlainGdi(uint32_t id, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const Attributes& a)
    {
        HDC screen = GetDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, PictureWidth, PictureHeight);
        HDC dc = CreateCompatibleDC(screen);
        HGDIOBJ previousBitmap = SelectObject(dc, bitmap);
        RECT whole = {0, 0, PictureWidth, PictureHeight};
        FillRect(dc, &whole, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        HPEN pen = (id == MsgDrawLine || a.pen) ? CreatePen(PS_SOLID, a.penWidth, a.penColor) : nullptr;
        HBRUSH brush = a.fill ? CreateSolidBrush(a.fillColor) : nullptr;
        HGDIOBJ previousPen = SelectObject(dc, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
        HGDIOBJ previousBrush = SelectObject(dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
        if (id == MsgDrawLine) {
            MoveToEx(dc, x1, y1, nullptr);
            LineTo(dc, x2, y2);
        } else if (id == MsgDrawEllipse) {
            Ellipse(dc, x1, y1, x2, y2);
        } else {
            Rectangle(dc, x1, y1, x2, y2);
        }
        SelectObject(dc, previousPen);
        SelectObject(dc, previousBrush);
        if (pen)
            DeleteObject(pen);
        if (brush)
            DeleteObject(brush);
        SelectObject(dc, previousBitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        BoardPicture picture(bitmap);
        DeleteObject(bitmap);
        return picture;
    }

    static int Differences(const BoardPicture& a, const BoardPicture& b)
    {
        int count = 0;
        for (int y = 0; y < PictureHeight; ++y)
            for (int x = 0; x < PictureWidth; ++x)
                count += a.At(x, y) != b.At(x, y);
        return count;
    }

    HWND frame = nullptr;
    BoardWindowState* state = nullptr;
    std::vector<std::unique_ptr<ImportPatch>> patches;
};

// The requests that took the process down inside GDI or never returned.
TEST_F(DrawRangeTest, RequestsThatFaultedInsideGdiReturnAndKeepTheBoard)
{
    struct Box {
        int32_t x1, y1, x2, y2;
    } const boxes[] = {
        {2147483646, 209, 256, 665},    {317, 65535, 4128768, 419},    {1 << 28, 100, 300, 400},
        {(1 << 30) - 1, 50, 20, 470},   {-34011078, 501, 521, -32768}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
        {INT_MAX, 0, INT_MAX - 1, 479}, {0, INT_MIN, 639, INT_MAX},
    };
    for (bool fill : {false, true}) {
        Attributes a;
        a.fill = fill;
        a.fillColor = Blue;
        for (int32_t width : {1, 3, 2048}) {
            a.penWidth = width;
            Use(a);
            for (const Box& b : boxes)
                for (uint32_t id : {MsgDrawEllipse, MsgDrawRectangle, MsgDrawLine})
                    EXPECT_EQ(0, plugin->SendDraw(id, 7, 42, b.x1, b.y1, b.x2, b.y2));
        }
    }
    EXPECT_EQ(1, Send(MsgBoardState, 42, 0, 7));
    // The board still draws what it is asked.
    Use(Attributes());
    const BoardPicture after = Drawn(MsgDrawLine, 10, 10, 100, 10);
    EXPECT_EQ(90, after.Count(0x000000));
}

// Far out, the ellipse with fill on that never returned: it lies distant from
// the picture, which stays as it was; so do the ones whose outline would
// cross the picture.
TEST_F(DrawRangeTest, EllipsesBeyondRangeThatMissThePictureOrCrossItDrawNothing)
{
    Attributes a;
    a.fill = true;
    a.fillColor = Blue;
    Use(a);
    EXPECT_EQ(0, Drawn(MsgDrawEllipse, -34011078, 501, 521, -32768).CountNotWhite());
    EXPECT_EQ(0, Drawn(MsgDrawEllipse, 2147483646, 209, 256, 665).CountNotWhite());
    EXPECT_EQ(0, Drawn(MsgDrawEllipse, -1000000000, 100, 300, 1000000000).CountNotWhite());
    EXPECT_EQ(0, Drawn(MsgDrawEllipse, 5000000, 5000000, 9000000, 9000000).CountNotWhite());
}

TEST_F(DrawRangeTest, EllipseBeyondRangeHoldingThePictureFillsItAsAWithinRangeOneDoes)
{
    for (bool fill : {true, false}) {
        for (bool pen : {true, false}) {
            Attributes a;
            a.fill = fill;
            a.fillColor = Blue;
            a.pen = pen;
            a.penColor = Red;
            a.penWidth = 5;
            Use(a);
            const BoardPicture distant = Drawn(MsgDrawEllipse, -1000000000, -1000000000, 1000000000, 1000000000);
            const BoardPicture close = PlainGdi(MsgDrawEllipse, -20000, -20000, 20640, 20480, a);
            EXPECT_EQ(fill ? PictureWidth * PictureHeight : 0, distant.Count(0x0000FF)) << fill << pen;
            EXPECT_EQ(0, Differences(distant, close)) << fill << pen;
        }
    }
}

TEST_F(DrawRangeTest, RectangleBeyondRangeGivesTheWholeRectanglesPixels)
{
    struct Case {
        int32_t x1, y1, x2, y2;      // beyond range
        int32_t nx1, ny1, nx2, ny2;  // the same rectangle as distant as the picture can tell
    } const cases[] = {
        {-1000000000, 100, 300, 1000000000, -5000, 100, 300, 5000},
        {300, -2000000000, 2000000000, 200, 300, -7000, 9000, 200},
        {INT_MIN, INT_MIN, INT_MAX, INT_MAX, -6000, -6000, 6000, 6000},
        {INT_MAX, 400, 100, INT_MIN, 9000, 400, 100, -9000},
        {50, 60, 3000000, 70, 50, 60, 30000, 70},
        {700000, 10, 800000, 20, 7000, 10, 8000, 20},
    };
    for (const Case& c : cases)
        for (int32_t width : {1, 2, 9, 40})
            for (bool fill : {false, true}) {
                Attributes a;
                a.penWidth = width;
                a.penColor = Red;
                a.fill = fill;
                a.fillColor = Blue;
                Use(a);
                const BoardPicture distant = Drawn(MsgDrawRectangle, c.x1, c.y1, c.x2, c.y2);
                const BoardPicture close = PlainGdi(MsgDrawRectangle, c.nx1, c.ny1, c.nx2, c.ny2, a);
                EXPECT_EQ(0, Differences(distant, close))
                    << c.x1 << " " << c.y1 << " width " << width << " fill " << fill;
            }
}

// The furthest whole-pixel point of the line from `from` in direction
// (dx, dy) (whole steps of it) that still lies within GDI's range.
void FurthestWithinRange(int64_t& x, int64_t& y, int64_t dx, int64_t dy)
{
    while (InGdiRange(x + dx) && InGdiRange(y + dy))
        x += dx, y += dy;
}

// A line beyond range gives exactly the pixels of the same line drawn
// between two of its points within range: the picture cannot tell them
// apart.
TEST_F(DrawRangeTest, LongLinesGiveThePixelsOfTheSameLineWithinRange)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> coordinate(-3000, 3600);
    std::uniform_int_distribution<int> stretch(20000, 400000);
    int compared = 0, visible = 0;
    for (int32_t width : {1, 2, 3, 6, 25}) {
        Attributes a;
        a.penWidth = width;
        a.penColor = Red;
        Use(a);
        for (int i = 0; i < 30; ++i) {
            const int64_t x1 = coordinate(random), y1 = coordinate(random);
            const int64_t x2 = coordinate(random), y2 = coordinate(random);
            const int64_t dx = x2 - x1, dy = y2 - y1;
            if (!dx && !dy)
                continue;
            const int64_t longest = std::max<int64_t>(std::llabs(dx), std::llabs(dy));
            const int64_t before = stretch(random) / longest + 1, after = stretch(random) / longest + 1;
            const int64_t fx1 = x1 - before * dx, fy1 = y1 - before * dy;
            const int64_t fx2 = x2 + after * dx, fy2 = y2 + after * dy;
            if (InGdiRange(fx1) && InGdiRange(fy1) && InGdiRange(fx2) && InGdiRange(fy2))
                continue;
            // The same line between its furthest points within range.
            int64_t nx1 = x1, ny1 = y1, nx2 = x2, ny2 = y2;
            FurthestWithinRange(nx1, ny1, -dx, -dy);
            FurthestWithinRange(nx2, ny2, dx, dy);
            const BoardPicture distant = Drawn(MsgDrawLine, static_cast<int32_t>(fx1), static_cast<int32_t>(fy1),
                                               static_cast<int32_t>(fx2), static_cast<int32_t>(fy2));
            const BoardPicture close = Drawn(MsgDrawLine, static_cast<int32_t>(nx1), static_cast<int32_t>(ny1),
                                             static_cast<int32_t>(nx2), static_cast<int32_t>(ny2));
            ++compared;
            visible += close.CountNotWhite() > 0;
            EXPECT_EQ(0, Differences(distant, close))
                << "(" << fx1 << ", " << fy1 << ") to (" << fx2 << ", " << fy2 << ") width " << width;
        }
    }
    EXPECT_GT(compared, 100);
    EXPECT_GT(visible, 20);
}

// Lines that GDI here still draws beyond range, from their own distant ends,
// including those whose only whole-pixel points are their ends.
TEST_F(DrawRangeTest, LongLinesMatchWhatGdiDrawsOfThem)
{
    std::mt19937 random(77);
    std::uniform_int_distribution<int> distant(-2000000, 2000000);
    std::uniform_int_distribution<int> close(-200, 840);
    int compared = 0, visible = 0;
    for (int32_t width : {1, 2, 5, 12}) {
        Attributes a;
        a.penWidth = width;
        a.penColor = Red;
        Use(a);
        for (int i = 0; i < 40; ++i) {
            // Through a point close the picture, from distant out to distant out.
            const int32_t cx = close(random), cy = close(random);
            const int32_t x1 = distant(random), y1 = distant(random);
            const int32_t x2 = 2 * cx - x1 + close(random) % 7, y2 = 2 * cy - y1 + close(random) % 5;
            const BoardPicture drawn = Drawn(MsgDrawLine, x1, y1, x2, y2);
            const BoardPicture plain = PlainGdi(MsgDrawLine, x1, y1, x2, y2, a);
            ++compared;
            visible += plain.CountNotWhite() > 0;
            EXPECT_EQ(0, Differences(drawn, plain))
                << "(" << x1 << ", " << y1 << ") to (" << x2 << ", " << y2 << ") width " << width;
        }
    }
    EXPECT_GT(visible, compared / 2);
}

// Within GDI's range nothing changes: every request is the plain GDI call.
TEST_F(DrawRangeTest, RequestsWithinRangeDrawAsPlainGdi)
{
    struct Box {
        int32_t x1, y1, x2, y2;
    } const boxes[] = {
        {10, 20, 300, 200},        {-32768, -32768, 32767, 32767}, {32767, 100, -32768, 300},
        {-32768, 240, 32767, 241}, {600, -32768, 30, 32767},       {-20000, -20000, 20640, 20480},
        {639, 479, 0, 0},          {100, 100, 100, 100},           {-32768, -32768, -32000, -32000},
        {5000, 300, -4000, 310},
    };
    for (const Box& b : boxes)
        for (int32_t width : {1, 4, 31})
            for (bool fill : {false, true})
                for (uint32_t id : {MsgDrawLine, MsgDrawRectangle, MsgDrawEllipse}) {
                    Attributes a;
                    a.penWidth = width;
                    a.penColor = Red;
                    a.fill = fill;
                    a.fillColor = Blue;
                    Use(a);
                    const int64_t callsBefore = gFigureCalls;
                    const BoardPicture drawn = Drawn(id, b.x1, b.y1, b.x2, b.y2);
                    EXPECT_GT(gFigureCalls, callsBefore);
                    const BoardPicture plain = PlainGdi(id, b.x1, b.y1, b.x2, b.y2, a);
                    EXPECT_EQ(0, Differences(drawn, plain))
                        << id << " (" << b.x1 << ", " << b.y1 << ", " << b.x2 << ", " << b.y2 << ") width " << width;
                }
}

TEST_F(DrawRangeTest, RequestsBeyondRangeTakeNothingForGood)
{
    GdiLedger ledger(plugin->Module());
    Attributes a;
    a.fill = true;
    for (int32_t width : {0, 7}) {
        a.penWidth = width;
        Use(a);
        for (uint32_t id : {MsgDrawLine, MsgDrawRectangle, MsgDrawEllipse}) {
            plugin->SendDraw(id, 7, 42, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
            plugin->SendDraw(id, 7, 42, 2147483646, 209, 256, 665);
            plugin->SendDraw(id, 7, 42, -1000000, 10, 1000000, 470);
        }
    }
    EXPECT_GT(ledger.CreatedObjects(), 0u);
    EXPECT_EQ(0u, ledger.LiveObjects());
    EXPECT_EQ(0, ledger.OpenWindowContexts());
    EXPECT_EQ(0u, ledger.LiveMemoryContexts());
}

}  // namespace
