// Keeping what was drawn, through real input on a focused board: undo and
// redo of every kind of change, the context menu driven by keys, copy and
// paste through the clipboard, saving through the save dialog, and the
// memory all this takes.
#include "board_test_support.h"
#include "gdi_ledger.h"
#include "guarded_memory.h"
#include "heap_ledger.h"
#include "pe_image.h"
#include "real_input.h"

#include <dlgs.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

namespace {

const size_t PictureBytes = PictureWidth * PictureHeight * 4;

// A picture another program put on the clipboard: a pattern whose every
// pixel says where it lies.
uint32_t PatternAt(int x, int y)
{
    return static_cast<uint32_t>(((x * 7) & 0xFF) << 16 | ((y * 3) & 0xFF) << 8 | ((x + y) & 0xFF));
}

// Hands `block` to the clipboard as its only picture, CF_DIB or another
// `format`.
void PutOnClipboard(HWND owner, HGLOBAL block, UINT format = CF_DIB)
{
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    SetClipboardData(format, block);
    CloseClipboard();
}

void PutPatternOnClipboard(HWND owner, int width, int height, bool topDown)
{
    const int bits = topDown ? 32 : 24;
    const int rowBytes = ((width * bits + 31) / 32) * 4;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + rowBytes * height);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
    header->biSize = sizeof *header;
    header->biWidth = width;
    header->biHeight = topDown ? -height : height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bits);
    auto* rows = reinterpret_cast<uint8_t*>(header + 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* pixel = rows + (topDown ? y : height - 1 - y) * rowBytes + x * bits / 8;
            const uint32_t rgb = PatternAt(x, y);
            pixel[0] = rgb & 0xFF;
            pixel[1] = (rgb >> 8) & 0xFF;
            pixel[2] = (rgb >> 16) & 0xFF;
        }
    GlobalUnlock(block);
    PutOnClipboard(owner, block);
}

// A CF_DIB, or a picture of another `format`, of exactly these bytes.
void PutBytesOnClipboard(HWND owner, const std::vector<uint8_t>& bytes, UINT format = CF_DIB)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    PutOnClipboard(owner, block, format);
}

// The bytes of the clipboard's `format`; none when it has none.
std::vector<uint8_t> ClipboardBytes(HWND owner, UINT format)
{
    std::vector<uint8_t> bytes;
    if (!OpenClipboard(owner))
        return bytes;
    HANDLE data = GetClipboardData(format);
    if (const auto* block = static_cast<const uint8_t*>(data ? GlobalLock(data) : nullptr)) {
        bytes.assign(block, block + GlobalSize(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return bytes;
}

// The plugin's GlobalLock while a test watches how far it reads: the block
// comes as a copy that ends right before a page that cannot be read.
std::unique_ptr<GuardedBytes> gLockedCopy;
LPVOID WINAPI LockBeforeAnUnreadablePage(HGLOBAL block)
{
    const void* bytes = GlobalLock(block);
    if (!bytes)
        return nullptr;
    gLockedCopy.reset(new GuardedBytes(GlobalSize(block)));
    std::memcpy(gLockedCopy->Bytes(), bytes, gLockedCopy->Size());
    GlobalUnlock(block);
    return gLockedCopy->Bytes();
}

// Any DIB drawn by GDI onto a 640x480 bitmap, to be read like the picture.
HBITMAP DrawDib(const BITMAPINFO* info, const void* bits)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, PictureWidth, PictureHeight);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    const LONG height = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
    StretchDIBits(memory, 0, 0, info->bmiHeader.biWidth, height, 0, 0, info->bmiHeader.biWidth, height, bits, info,
                  DIB_RGB_COLORS, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

std::string TempFolder()
{
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    return directory;
}

std::string TempFile(const char* name)
{
    const std::string path = TempFolder() + std::to_string(GetCurrentProcessId()) + "_" + name;
    DeleteFileA(path.c_str());
    return path;
}

// The 640x480 picture of a PNG file as another program reads it: the
// distribution's ImageMagick, which Wine starts as the Linux program it is,
// writes it as a 24-bit BMP, which is loaded as a bitmap (null when any of
// that failed).
HBITMAP ReadPngElsewhere(const std::string& png)
{
    typedef char*(CDECL * UnixFileName)(const WCHAR*);
    const auto unixFileName = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    const std::string bmp = png + ".bmp";
    auto unixPath = [&](const std::string& path) {
        WCHAR wide[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        char* name = unixFileName ? unixFileName(wide) : nullptr;
        const std::string result = name ? name : "";
        HeapFree(GetProcessHeap(), 0, name);
        return result;
    };
    // It writes beside the file and renames when done: the BMP, once there,
    // is whole. Wine has no handle to wait on for a Linux program.
    std::string command = "Z:\\bin\\sh -c \"/usr/bin/convert 'png:" + unixPath(png) +
        "' -type TrueColor 'BMP3:" + unixPath(bmp) + ".part' && mv '" + unixPath(bmp) + ".part' '" + unixPath(bmp) +
        "'\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 600 && GetFileAttributesA(bmp.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(100);
    HBITMAP read = static_cast<HBITMAP>(
        LoadImageA(nullptr, bmp.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    DeleteFileA(bmp.c_str());
    return read;
}

class PictureKeepingTest : public BoardTest {
protected:
    void OpenBoard(int width = 700, int height = 600, const char* name = "Ala", int32_t contact = 1)
    {
        host.config[ColBoardWidth] = width;
        host.config[ColBoardHeight] = height;
        frame = Open(772, contact, name);
        ASSERT_TRUE(frame);
        canvas = CanvasOf(frame);
        SetForegroundWindow(frame);
        PumpMessages();
        // An active board takes the keys on its canvas at once.
        ASSERT_EQ(canvas, GetFocus());
    }
    BoardPicture Read() const { return BoardPicture(State(frame)->canvasBitmap); }
    void Keys(std::initializer_list<WORD> keys)
    {
        PressKeys(keys);
        PumpMessages();
    }
    // The context menu opened with the right button, as the user sees it.
    std::vector<MenuItemSeen> MenuSeen()
    {
        std::vector<MenuItemSeen> items;
        MouseAt(canvas, 300, 300, MOUSEEVENTF_RIGHTDOWN);
        MouseAt(canvas, 300, 300, MOUSEEVENTF_RIGHTUP);
        WhileWatching([&] {
            if (HWND menu = AwaitWindow("#32768")) {
                items = ItemsOfOpenMenu(menu);
                PressKeys({VK_ESCAPE});
            }
        });
        return items;
    }
    // Ctrl+S and the save dialog driven by its window: the file type of
    // index `type` chosen when not 0 (`shown` gets the name then shown),
    // `path` typed as the file's name (a folder ending in a backslash: the
    // name shown kept in it; nothing: the name kept as it is), then
    // `button`; "replace the file?" answered yes when `confirm`. The name
    // the dialog offered; `told` gets the text of the message box the
    // board shows.
    std::string SaveThroughDialog(const std::string& path, int button = IDOK, bool confirm = false,
                                  std::string* told = nullptr, int type = 0, std::string* shown = nullptr)
    {
        std::string offered;
        PressKeys({VK_CONTROL, 'S'});
        WhileWatching([&] {
            HWND dialog = AwaitWindow("#32770", [&](HWND w) { return GetWindow(w, GW_OWNER) == frame; });
            if (!dialog)
                return;
            // The file name field: the edit of its combo box (cmb13).
            HWND name = FindWindowExA(FindWindowExA(GetDlgItem(dialog, cmb13), nullptr, "ComboBox", nullptr), nullptr,
                                      "Edit", nullptr);
            char text[MAX_PATH] = {};
            GetWindowTextA(name, text, sizeof text);
            offered = text;
            if (type) {
                SendDlgItemMessageA(dialog, cmb1, CB_SETCURSEL, type - 1, 0);
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, cmb1)));
                GetWindowTextA(name, text, sizeof text);
                if (shown)
                    *shown = text;
            }
            if (!path.empty())
                SetWindowTextA(name, (path.back() == '\\' ? path + text : path).c_str());
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
            if (confirm)  // "replace the file?"
                if (HWND ask = AwaitWindow("#32770", [&](HWND w) { return GetWindow(w, GW_OWNER) == dialog; }))
                    PostMessageA(ask, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
            if (told)
                if (HWND box =
                        AwaitWindow("#32770", [&](HWND w) { return w != dialog && GetWindow(w, GW_OWNER) == frame; })) {
                    *told = MessageBoxText(box);
                    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                }
        });
        return offered;
    }
    std::vector<bool> Greyed()
    {
        std::vector<bool> greyed;
        for (const MenuItemSeen& item : MenuSeen())
            greyed.push_back(item.greyed);
        return greyed;
    }

    HWND frame = nullptr;
    HWND canvas = nullptr;
};

TEST_F(PictureKeepingTest, UndoAndRedoWalkBackAndForthThroughEveryKindOfChange)
{
    OpenBoard();
    const size_t hostCalls = host.calls.size();
    std::vector<BoardPicture> states = {Read()};
    auto changed = [&](const char* what) {
        states.push_back(Read());
        EXPECT_NE(0, states.back().CountDifferent(states[states.size() - 2])) << what;
    };
    SendMessageA(frame, MsgSetFillColor, MenuColorGreen, 0);
    RealStroke(canvas, {{20, 20}, {60, 90}, {130, 40}, {160, 120}});
    changed("free-hand stroke");
    for (int tool : {CmdToolLine, CmdToolRectangle, CmdToolEllipse}) {
        SendMessageA(frame, WM_COMMAND, tool, 0);
        RealStroke(canvas, {{20 + tool % 10 * 30, 80}, {200, 150}, {250, 200}});
        changed("shape");
    }
    SendMessageA(frame, WM_COMMAND, CmdClear, 0);
    changed("clear");
    SendMessageA(frame, WM_COMMAND, CmdToolFreehand, 0);
    RealStroke(canvas, {{300, 300}, {500, 420}});
    changed("stroke after the clear");
    PutPatternOnClipboard(frame, 200, 150, false);
    Keys({VK_CONTROL, 'V'});
    changed("paste");
    Send(MsgRequestFillEnabled, 1, 1, 772);
    plugin->SendDraw(MsgDrawLine, 772, 1, -50, 10, 150, 120);
    changed("drawing request: line");
    plugin->SendDraw(MsgDrawEllipse, 772, 1, 150, 100, 300, 250);
    changed("drawing request: ellipse");
    plugin->SendDraw(MsgDrawRectangle, 772, 1, 500, -20, 660, 120);
    changed("drawing request: rectangle");

    for (size_t i = states.size() - 1; i > 0; --i) {
        Keys({VK_CONTROL, 'Z'});
        EXPECT_EQ(0, Read().CountDifferent(states[i - 1])) << "undo to state " << i - 1;
    }
    Keys({VK_CONTROL, 'Z'});  // nothing left to undo
    EXPECT_EQ(0, Read().CountDifferent(states[0]));
    for (size_t i = 1; i < states.size(); ++i) {
        Keys({VK_CONTROL, 'Y'});
        EXPECT_EQ(0, Read().CountDifferent(states[i])) << "redo to state " << i;
    }
    // The screen shows what the picture holds.
    UpdateWindow(canvas);
    HDC dc = GetDC(canvas);
    const COLORREF shown = GetPixel(dc, 600, 60);
    ReleaseDC(canvas, dc);
    EXPECT_EQ(states.back().At(600, 60), (shown & 0xFF) << 16 | (shown & 0xFF00) | ((shown >> 16) & 0xFF));
    EXPECT_EQ(hostCalls, host.calls.size()) << "the host hears nothing of it";
}

TEST_F(PictureKeepingTest, UndoLeavesNoPixelOfAShapeWhereverGdiDrawsIt)
{
    OpenBoard();
    int strays = 0, shapes = 0;
    // Undone at once, a change must leave the picture as it was.
    auto undone = [&](const BoardPicture& before) {
        Keys({VK_CONTROL, 'Z'});
        strays += Read().CountDifferent(before);
        ++shapes;
    };
    // Narrow filled ellipses, which GDI paints partly beyond their box, and
    // rectangles beside them, drawn by requests with pens of every width.
    Send(MsgRequestFillEnabled, 1, 1, 772);
    Send(MsgRequestFillColor, 1, static_cast<int32_t>(RGB(0, 255, 0)), 772);
    std::mt19937 random(20);
    for (int i = 0; i < 200; ++i) {
        const int x = random() % 600, y = random() % 300;
        Send(MsgRequestPenWidth, 1, i % 3 == 0 ? 1 : static_cast<int32_t>(random() % 12), 772);
        const BoardPicture before = Read();
        plugin->SendDraw(i % 8 ? MsgDrawEllipse : MsgDrawRectangle, 772, 1, x, y,
                         x + 2 + static_cast<int>(random() % 4), y + 20 + static_cast<int>(random() % 151));
        undone(before);
    }

    // The user's narrow ellipses, wide lines and free-hand strokes.
    SendMessageA(frame, MsgSetFillColor, MenuColorGreen, 0);
    const struct {
        int tool;
        int32_t penWidth;
        std::vector<POINT> points;
    } strokes[] = {
        {CmdToolEllipse, 1, {{40, 30}, {43, 200}}},
        {CmdToolEllipse, 5, {{300, 60}, {302, 230}}},
        {CmdToolEllipse, 10, {{500, 100}, {505, 130}}},
        {CmdToolLine, 10, {{20, 300}, {400, 310}}},
        {CmdToolFreehand, 10, {{100, 100}, {160, 300}, {170, 120}, {400, 80}}},
    };
    for (const auto& stroke : strokes) {
        SendMessageA(frame, WM_COMMAND, stroke.tool, 0);
        State(frame)->penWidth = stroke.penWidth;
        const BoardPicture before = Read();
        RealStroke(canvas, stroke.points);
        EXPECT_NE(0, Read().CountDifferent(before));
        undone(before);
    }
    EXPECT_EQ(0, strays) << "pixels left behind by " << shapes << " shapes undone";
}

TEST_F(PictureKeepingTest, MenuGreysWhatCannotActAndANewStrokeDropsTheRedoSteps)
{
    OpenBoard();
    ASSERT_TRUE(OpenClipboard(frame));
    EmptyClipboard();
    CloseClipboard();
    const std::vector<MenuItemSeen> items = MenuSeen();
    ASSERT_EQ(5u, items.size());
    EXPECT_EQ("&Cofnij\tCtrl+Z", items[0].text);
    EXPECT_EQ("&Pon\xF3w\tCtrl+Y", items[1].text);
    EXPECT_EQ("&Kopiuj\tCtrl+C", items[2].text);
    EXPECT_EQ("&Wklej\tCtrl+V", items[3].text);
    EXPECT_EQ("&Zapisz obraz...\tCtrl+S", items[4].text);
    // Undo, redo and paste have nothing to act on.
    EXPECT_EQ((std::vector<bool> {true, true, false, true, false}), Greyed());

    RealStroke(canvas, {{20, 20}, {200, 100}});
    const BoardPicture first = Read();
    RealStroke(canvas, {{20, 200}, {200, 300}});
    Keys({VK_CONTROL, 'Z'});
    EXPECT_EQ(0, Read().CountDifferent(first));
    PutPatternOnClipboard(frame, 10, 10, false);
    EXPECT_EQ((std::vector<bool> {false, false, false, false, false}), Greyed());

    RealStroke(canvas, {{300, 20}, {400, 300}});
    const BoardPicture third = Read();
    EXPECT_EQ((std::vector<bool> {false, true, false, false, false}), Greyed());
    Keys({VK_CONTROL, 'Y'});
    EXPECT_EQ(0, Read().CountDifferent(third)) << "the second stroke does not come back";
    Keys({VK_CONTROL, 'Z'});
    EXPECT_EQ(0, Read().CountDifferent(first));
}

TEST_F(PictureKeepingTest, FiveHundredStrokesKeepAtMostTwoPicturesAndClosingGivesAllBack)
{
    HeapLedger heap(plugin->Module());
    ASSERT_TRUE(heap.Applied());
    GdiLedger gdi(plugin->Module());
    OpenBoard();
    SendMessageA(frame, MsgSetFillColor, MenuColorRed, 0);
    SendMessageA(frame, WM_COMMAND, CmdToolRectangle, 0);
    std::vector<BoardPicture> last;
    for (int i = 0; i < 500; ++i) {
        const int x = (i * 37) % 300, y = (i * 23) % 200;
        RealStroke(canvas, {{x, y}, {x + 150 + i % 190, y + 100 + i % 170}});
        if (i >= 496)
            last.push_back(Read());
    }
    EXPECT_GT(heap.LiveBytes(), PictureBytes) << "the steps are kept";
    EXPECT_LE(heap.LiveBytes(), 2 * PictureBytes + 64 * 1024);
    for (int i = 2; i >= 0; --i) {
        Keys({VK_CONTROL, 'Z'});
        EXPECT_EQ(0, Read().CountDifferent(last[i])) << i;
    }
    EXPECT_EQ(1u, gdi.LiveObjects()) << "the picture, and no bitmap for the steps";
    EXPECT_EQ(0u, gdi.LiveDibSections());

    SendMessageA(frame, WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_EQ(0u, heap.LiveBytes());
    EXPECT_EQ(0u, gdi.LiveObjects());
    EXPECT_EQ(0u, gdi.LiveDibSections());
    EXPECT_EQ(0u, gdi.LiveMemoryContexts());
    EXPECT_EQ(0, gdi.OpenWindowContexts());
}

TEST_F(PictureKeepingTest, LongLinesAndStrokesOfWidePensKeepWhatTheyTouchAndUndoExactly)
{
    HeapLedger heap(plugin->Module());
    ASSERT_TRUE(heap.Applied());
    OpenBoard();
    // A picture whose every pixel differs from its neighbours, so that a
    // pixel put back in the wrong place shows.
    PutPatternOnClipboard(frame, PictureWidth, PictureHeight, false);
    Keys({VK_CONTROL, 'V'});
    std::vector<BoardPicture> states = {Read()};
    const size_t pasted = heap.LiveBytes();
    auto changed = [&](const std::string& what) {
        states.push_back(Read());
        EXPECT_NE(0, states.back().CountDifferent(states[states.size() - 2])) << what;
    };
    const struct {
        int32_t penWidth;
        int x1, y1, x2, y2;
    } lines[] = {
        {1, 0, 0, 639, 479},      {1, 639, 0, 0, 479},    {10, 5, 470, 630, 3},
        {60, 320, -40, 300, 520}, {10, 600, 0, 610, 479}, {3, -2000000000, 7, 2000000000, 470},
        {0, 0, 240, 639, 241},
    };
    for (const auto& line : lines) {
        Send(MsgRequestPenWidth, 1, line.penWidth, 772);
        plugin->SendDraw(MsgDrawLine, 772, 1, line.x1, line.y1, line.x2, line.y2);
        changed("line of pen " + std::to_string(line.penWidth));
        if (states.size() == 2) {
            EXPECT_LT(heap.LiveBytes() - pasted, PictureBytes / 8) << "a diagonal keeps what it may touch, not its box";
        }
    }
    SendMessageA(frame, WM_COMMAND, CmdToolFreehand, 0);
    State(frame)->penWidth = 10;
    RealStroke(canvas, {{10, 10}, {200, 150}, {400, 300}, {630, 470}, {600, 20}});
    changed("free-hand stroke");
    SendMessageA(frame, WM_COMMAND, CmdToolLine, 0);
    RealStroke(canvas, {{630, 10}, {300, 250}, {15, 460}});
    changed("line of the user's");

    for (size_t i = states.size() - 1; i > 0; --i) {
        Keys({VK_CONTROL, 'Z'});
        EXPECT_EQ(0, Read().CountDifferent(states[i - 1])) << "undo to state " << i - 1;
    }
    for (size_t i = 1; i < states.size(); ++i) {
        Keys({VK_CONTROL, 'Y'});
        EXPECT_EQ(0, Read().CountDifferent(states[i])) << "redo to state " << i;
    }

    // The widest pens change the whole picture: the history still keeps at
    // most two pictures, and the last of them undoes exactly.
    Send(MsgRequestPenWidth, 1, 100000, 772);
    BoardPicture before = Read();
    for (int i = 0; i < 6; ++i) {
        before = Read();
        Send(MsgRequestPenColor, 1, static_cast<int32_t>(RGB(i * 40, 0, 255 - i * 40)), 772);
        plugin->SendDraw(MsgDrawLine, 772, 1, i * 100, 0, 639 - i * 100, 479);
        EXPECT_LE(heap.LiveBytes(), 2 * PictureBytes + 64 * 1024) << i;
    }
    Keys({VK_CONTROL, 'Z'});
    EXPECT_EQ(0, Read().CountDifferent(before));
}

TEST_F(PictureKeepingTest, CopyFromTheMenuPutsThePicturesPixelsOnTheClipboard)
{
    OpenBoard();
    SendMessageA(frame, MsgSetPenColor, MenuColorBlue, 0);
    RealStroke(canvas, {{10, 470}, {630, 5}});
    plugin->SendDraw(MsgDrawEllipse, 772, 1, 100, 100, 500, 400);
    PressKeys({VK_SHIFT, VK_F10});
    Keys({'K'});  // "Kopiuj", waiting in the queue for the menu

    ASSERT_TRUE(IsClipboardFormatAvailable(CF_DIB));
    ASSERT_TRUE(OpenClipboard(frame));
    HANDLE data = GetClipboardData(CF_DIB);
    const auto* info = static_cast<const BITMAPINFO*>(GlobalLock(data));
    ASSERT_TRUE(info);
    EXPECT_EQ(PictureWidth, info->bmiHeader.biWidth);
    EXPECT_EQ(PictureHeight, info->bmiHeader.biHeight);
    EXPECT_EQ(24, info->bmiHeader.biBitCount);
    HBITMAP copy = DrawDib(info, &info->bmiColors[0]);
    GlobalUnlock(data);
    CloseClipboard();
    EXPECT_EQ(0, BoardPicture(copy).CountDifferent(Read()));
    DeleteObject(copy);
}

TEST_F(PictureKeepingTest, CopiedPngAloneOnTheClipboardPastesIntoAnotherBoardAndMalformedPngIsRefused)
{
    HeapLedger heap(plugin->Module());
    ASSERT_TRUE(heap.Applied());
    OpenBoard();
    Send(MsgRequestFillEnabled, 1, 1, 772);
    for (int i = 0; i < 12; ++i) {
        Send(MsgRequestFillColor, 1, static_cast<int32_t>(RGB(255 - i * 20, i * 21, i * 9 + 3)), 772);
        plugin->SendDraw(MsgDrawEllipse, 772, 1, i * 50, 400 - i * 33, i * 50 + 80, 470 - i * 30);
    }
    const BoardPicture drawn = Read();
    Keys({VK_CONTROL, 'C'});
    ASSERT_TRUE(IsClipboardFormatAvailable(CF_DIB));
    const UINT pngFormat = RegisterClipboardFormatA("PNG");
    const std::vector<uint8_t> png = ClipboardBytes(frame, pngFormat);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(0, std::memcmp(png.data(), "\x89PNG\r\n\x1A\n", 8));

    // Only the PNG, as some programs leave it, pasted into a second board.
    PutBytesOnClipboard(frame, png, pngFormat);
    OpenBoard(700, 600, "Ola", 2);
    const BoardPicture white = Read();
    Keys({VK_CONTROL, 'V'});
    EXPECT_EQ(0, Read().CountDifferent(drawn));
    const size_t pasted = heap.LiveBytes();

    // Cut short, a data byte changed (its check sum no longer holds), a
    // size beyond any picture in its header, or no PNG at all: nothing
    // pasted, nothing kept, no step.
    std::vector<uint8_t> changed = png, huge = png;
    changed[png.size() / 2] ^= 0x55;
    huge[16] = 0x7F;
    for (const auto& malformed :
         {std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2), changed, huge,
          std::vector<uint8_t>(png.begin(), png.begin() + 7), std::vector<uint8_t>(4000, 0x89)}) {
        PutBytesOnClipboard(frame, malformed, pngFormat);
        Keys({VK_CONTROL, 'V'});
        EXPECT_EQ(0, Read().CountDifferent(drawn)) << malformed.size();
        EXPECT_EQ(pasted, heap.LiveBytes()) << malformed.size();
    }
    Keys({VK_CONTROL, 'Z'});
    EXPECT_EQ(0, Read().CountDifferent(white)) << "the paste was the last step";
}

TEST_F(PictureKeepingTest, PasteLandsAtTheScrollPositionCutToThePicture)
{
    OpenBoard(400, 300);
    SendMessageA(canvas, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 100), 0);
    SendMessageA(canvas, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 50), 0);
    ASSERT_EQ(100, GetScrollPos(canvas, SB_HORZ));
    ASSERT_EQ(50, GetScrollPos(canvas, SB_VERT));
    // Larger than what lies right of and below the position.
    PutPatternOnClipboard(frame, 600, 500, false);
    PressKeys({VK_APPS});
    Keys({'W'});  // "Wklej"
    BoardPicture pasted = Read();
    int wrong = 0;
    for (int y = 0; y < PictureHeight; ++y)
        for (int x = 0; x < PictureWidth; ++x)
            wrong += pasted.At(x, y) != (x >= 100 && y >= 50 ? PatternAt(x - 100, y - 50) : 0xFFFFFF);
    EXPECT_EQ(0, wrong);

    // A top-down picture the other way up on the clipboard, smaller.
    SendMessageA(canvas, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    SendMessageA(canvas, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    PutPatternOnClipboard(frame, 40, 30, true);
    Keys({VK_CONTROL, 'V'});
    const BoardPicture small = Read();
    wrong = 0;
    for (int y = 0; y < PictureHeight; ++y)
        for (int x = 0; x < PictureWidth; ++x)
            wrong += small.At(x, y) != (x < 40 && y < 30 ? PatternAt(x, y) : pasted.At(x, y));
    EXPECT_EQ(0, wrong);
    Keys({VK_CONTROL, 'Z'});
    Keys({VK_CONTROL, 'Z'});
    EXPECT_EQ(0, Read().CountNotWhite());
}

TEST_F(PictureKeepingTest, BitFieldPictureWhoseMasksLieBeyondItsBlockIsNotPasted)
{
    OpenBoard();
    ImportPatch lock(plugin->Module(), "kernel32.dll", "GlobalLock",
                     reinterpret_cast<void*>(&LockBeforeAnUnreadablePage));
    ASSERT_TRUE(lock.Applied());
    // One 16-bit pixel under a header that says it is 44 bytes long: GDI
    // reads the masks from the 12 bytes after the first 40 all the same, 4
    // of them beyond the 48-byte block.
    std::vector<uint8_t> bytes(48, 0);
    *reinterpret_cast<BITMAPINFOHEADER*>(bytes.data()) =
        BITMAPINFOHEADER {44, 1, 1, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0};
    PutBytesOnClipboard(frame, bytes);
    Keys({VK_CONTROL, 'V'});
    EXPECT_EQ(0, Read().CountNotWhite()) << "nothing pasted";
}

TEST_F(PictureKeepingTest, SaveWritesTheFileCancelWritesNothingAFailureIsToldAndKeepsTheBoard)
{
    OpenBoard();
    SendMessageA(frame, MsgSetPenColor, MenuColorRed, 0);
    RealStroke(canvas, {{30, 400}, {600, 30}, {620, 460}});
    const BoardPicture drawn = Read();

    const std::string saved = TempFile("saved.bmp");
    EXPECT_EQ("Ala.png", SaveThroughDialog(saved)) << "named after the board";
    HBITMAP file = static_cast<HBITMAP>(
        LoadImageA(nullptr, saved.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    ASSERT_TRUE(file);
    DIBSECTION section = {};
    GetObjectA(file, sizeof section, &section);
    EXPECT_EQ(24, section.dsBmih.biBitCount);
    EXPECT_EQ(0, BoardPicture(file).CountDifferent(drawn));
    DeleteObject(file);

    const std::string cancelled = TempFile("cancelled.bmp");
    SaveThroughDialog(cancelled, IDCANCEL);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(cancelled.c_str())) << "nothing written";

    // A file someone else holds open cannot be written.
    const std::string held = TempFile("held.bmp");
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    DWORD written = 0;
    WriteFile(holder, "kept", 4, &written, nullptr);
    std::string told;
    SaveThroughDialog(held, IDOK, true, &told);
    CloseHandle(holder);
    EXPECT_EQ(0u, told.find("Nie uda\xB3o si\xEA zapisa\xE6 obrazu")) << told;
    EXPECT_NE(std::string::npos, told.find(held)) << told;
    EXPECT_EQ(frame, FrameOf(772, 1));
    EXPECT_EQ(0, Read().CountDifferent(drawn));
    std::ifstream kept(held, std::ios::binary);
    std::stringstream content;
    content << kept.rdbuf();
    EXPECT_EQ("kept", content.str());
    DeleteFileA(saved.c_str());
    DeleteFileA(held.c_str());
}

TEST_F(PictureKeepingTest, SaveOffersPngWhichAnotherProgramReadsAndWritesTheTypeOfTheExtension)
{
    OpenBoard();
    SendMessageA(frame, MsgSetPenColor, MenuColorRed, 0);
    RealStroke(canvas, {{30, 400}, {600, 30}, {620, 460}});
    Send(MsgRequestFillEnabled, 1, 1, 772);
    for (int i = 0; i < 12; ++i) {
        Send(MsgRequestFillColor, 1, static_cast<int32_t>(RGB(i * 21, 255 - i * 19, i * 7 + 1)), 772);
        plugin->SendDraw(MsgDrawEllipse, 772, 1, i * 50, i * 37, i * 50 + 90, i * 37 + 60);
    }
    const BoardPicture drawn = Read();

    // The offered name kept: PNG, read back by another program.
    const std::string folder = TempFolder(), png = folder + "Ala.png";
    DeleteFileA(png.c_str());
    EXPECT_EQ("Ala.png", SaveThroughDialog(folder));
    std::ifstream file(png, std::ios::binary);
    char signature[8] = {};
    file.read(signature, sizeof signature);
    file.close();
    EXPECT_EQ(0, std::memcmp(signature, "\x89PNG\r\n\x1A\n", 8));
    HBITMAP elsewhere = ReadPngElsewhere(png);
    ASSERT_TRUE(elsewhere);
    EXPECT_EQ(0, BoardPicture(elsewhere).CountDifferent(drawn));
    DeleteObject(elsewhere);
    DeleteFileA(png.c_str());

    // The name follows the type chosen in the dialog; the file follows
    // the name's extension, whatever the type.
    std::string shown;
    const std::string bmp = folder + "Ala.bmp";
    DeleteFileA(bmp.c_str());
    SaveThroughDialog(folder, IDOK, false, nullptr, 2, &shown);
    EXPECT_EQ("Ala.bmp", shown);
    const std::string typedPng = TempFile("typed.PNG"), typedBmp = TempFile("typed.Bmp");
    SaveThroughDialog(typedPng, IDOK, false, nullptr, 2);
    SaveThroughDialog(typedBmp);
    for (const auto& written :
         {std::make_pair(bmp, "BM"), std::make_pair(typedPng, "\x89P"), std::make_pair(typedBmp, "BM")}) {
        std::ifstream in(written.first, std::ios::binary);
        char start[2] = {};
        in.read(start, 2);
        EXPECT_EQ(0, std::memcmp(start, written.second, 2)) << written.first;
        in.close();
        DeleteFileA(written.first.c_str());
    }
}

TEST_F(PictureKeepingTest, SaveNeverOffersNorWritesToADevice)
{
    // Boards named by their inviters after devices.
    const struct {
        const char* name;
        const char* offered;
    } boards[] = {
        {"NUL", "NUL_.png"},   {"aux", "aux_.png"},           {"con.txt", "con_.txt.png"},
        {"COM1", "COM1_.png"}, {"Lpt9.bmp", "Lpt9_.bmp.png"}, {"CONOUT$", "CONOUT$_.png"},
    };
    int32_t contact = 1;
    for (const auto& board : boards) {
        OpenBoard(700, 600, board.name, contact++);
        EXPECT_EQ(board.offered, SaveThroughDialog("", IDCANCEL)) << board.name;
    }
    // A device chosen in the dialog is refused and told; the dialog finds
    // that it exists and asks whether to replace it.
    for (const char* device : {"NUL", "aux.bmp"}) {
        std::string told;
        SaveThroughDialog(TempFolder() + device, IDOK, true, &told);
        EXPECT_EQ(0u,
                  told.find("Nie mo\xBFna zapisa\xE6 obrazu pod nazw\xB9 urz\xB9"
                            "dzenia"))
            << device << ": " << told;
    }
}

TEST_F(PictureKeepingTest, ALongBoardNameIsOfferedCutAndADialogThatFailsIsTold)
{
    OpenBoard(700, 600, std::string(250, 'x').c_str());
    // The offered name kept, in a folder of twenty-odd characters.
    const std::string folder = TempFolder(), saved = folder + std::string(64, 'x') + ".png";
    DeleteFileA(saved.c_str());
    EXPECT_EQ(saved, folder + SaveThroughDialog(folder));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(saved.c_str())) << "saved";
    DeleteFileA(saved.c_str());
    // A path longer than the dialog can give back.
    std::string told;
    SaveThroughDialog(folder + std::string(240, 'y') + ".bmp", IDOK, false, &told);
    EXPECT_EQ("Nie uda\xB3o si\xEA wybra\xE6 pliku dla obrazu: \x9C"
              "cie\xBFka jest za d\xB3uga.",
              told);
}

}  // namespace
