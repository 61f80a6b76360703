#include "board_fuzzer.h"

#include "gdi_ledger.h"
#include "guarded_memory.h"
#include "pe_image.h"
#include "board_record.h"
#include "windows/canvas_window.h"

#include <commctrl.h>

#include <climits>
#include <cstring>
#include <set>
#include <vector>
#include <sstream>
#include <utility>
#include <vector>

namespace {

const int32_t Nets[] = {7, -1, 0, 772};
const int32_t Contacts[] = {42, 1, -3, 0};

// Coordinates that once took GDI down, and the edges of its range.
const int32_t Troublesome[] = {2147483646, 209,       256,     665,     317,     65535,       4128768,
                               419,        -34011078, 501,     521,     -32768,  32767,       32768,
                               -32769,     1 << 28,   1 << 30, INT_MAX, INT_MIN, -1000000000, 0};

// Invitation bodies a host may hand over: well-formed, empty-named,
// malformed, overlong.
const char* const Bodies[] = {"7 42 Ala",
                              "-1 42 Ola",
                              "7 42 ",
                              "7 42",
                              "0 0 x",
                              "772 -3 Ala Nowak",
                              "",
                              "7",
                              "seven 42 Ala",
                              "7 x y",
                              "   ",
                              "2147483647 -2147483648 z",
                              "99999999999999999999 1 a"};

std::string Text(uint32_t id, int32_t a, int32_t b, int32_t c)
{
    std::ostringstream out;
    out << id << " (" << a << ", " << b << ", " << c << ")";
    return out.str();
}

}  // namespace

BoardFuzzer::BoardFuzzer(PluginSession& session, uint32_t seed) : session_(session), random_(seed)
{
    ledger_.reset(new GdiLedger(session_.Module()));
    drag_ = ModuleGlobal<CanvasDrag>(session_.Module(), "gCanvasDrag");
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    saveFolder_ = directory;
    saveFile_ = saveFolder_ + "oboard_fuzz_" + std::to_string(GetCurrentProcessId()) + ".bmp";
    for (StandInHost& host : session_.hosts)
        host.duringCall = [this](const HostCall& call) { OnHostCall(call); };
    session_.Start(0);
    modelHost_ = &session_.hosts[0];
    uiRunning_ = true;
}

BoardFuzzer::~BoardFuzzer()
{
    DeleteFileA(saveFile_.c_str());
    for (StandInHost& host : session_.hosts)
        host.duringCall = nullptr;
    ledger_.reset();
}

int32_t BoardFuzzer::Coordinate()
{
    switch (Below(5)) {
    case 0:
        return Troublesome[Below(sizeof Troublesome / sizeof Troublesome[0])];
    case 1:
        return std::uniform_int_distribution<int32_t>(INT_MIN, INT_MAX)(random_);
    case 2:
        return std::uniform_int_distribution<int32_t>(-40000, 40000)(random_);
    default:
        return std::uniform_int_distribution<int32_t>(-50, 700)(random_);
    }
}

int32_t BoardFuzzer::AnyValue()
{
    switch (Below(4)) {
    case 0:
        return std::uniform_int_distribution<int32_t>(INT_MIN, INT_MAX)(random_);
    case 1:
        return Troublesome[Below(sizeof Troublesome / sizeof Troublesome[0])];
    default:
        return std::uniform_int_distribution<int32_t>(-3, 12)(random_);
    }
}

BoardFuzzer::Key BoardFuzzer::AnyKey()
{
    if (Chance(0.3))
        return lastKey_;
    lastKey_ = Key {Nets[Below(4)], Contacts[Below(4)]};
    return lastKey_;
}

HWND BoardFuzzer::AnyFrame()
{
    const std::vector<HWND> frames = BoardFrames();
    return frames.empty() ? nullptr : frames[Below(static_cast<uint32_t>(frames.size()))];
}

void BoardFuzzer::Note(const std::string& text)
{
    if (!step_.empty())
        step_ += "; ";
    step_ += text;
    // Told before the step goes on: a step that faults or never returns is
    // still named.
    if (describe_)
        describe_(step_);
}

intptr_t BoardFuzzer::SendPlaced(const void* bytes, size_t size, size_t readable)
{
    GuardedBytes placed(readable);
    std::memcpy(placed.Bytes(), bytes, readable < size ? readable : size);
    return session_.Plugin().SendRecord(reinterpret_cast<PluginMessage*>(placed.Bytes()));
}

intptr_t BoardFuzzer::SendMessageRecord(uint32_t id, int32_t net, int32_t p1, int32_t p2)
{
    PluginMessage message = MakePluginMessage(id, p1, p2, net);
    size_t readable = sizeof message;
    if (Chance(0.08)) {
        // A record cut short: its size says so, and nothing past it can be read.
        message.size = static_cast<uint16_t>(2 + Below(28));
        readable = message.size;
    }
    if (id == MsgInit && message.size >= sizeof message)
        modelHost_ = WordAddress<HostCore>(p1);
    if (message.size >= 6) {
        if (id == MsgUiEnd)
            uiRunning_ = false;
        // The plugin pins its host on entry: the start sees this one.
        if (id == MsgUiStart && modelHost_)
            uiRunning_ = true;
    }
    ++stats_.messages;
    return SendPlaced(&message, sizeof message, readable);
}

void BoardFuzzer::Lifecycle(uint32_t id)
{
    int32_t p1 = 0;
    if (id == MsgInit) {
        const uint32_t which = Below(5);
        p1 = which == 4 ? 0 : AddressWord(static_cast<HostCore*>(&session_.hosts[which % 2]));
    }
    Note(Text(id, p1, 0, 0));
    SendMessageRecord(id, 0, p1, 0);
}

void BoardFuzzer::Message(int depth)
{
    static const uint32_t Others[] = {20002,  20020,  20021,  30010, 30011,  30012,        30013,
                                      30014,  30015,  30016,  30017, 772505, 772700,       0,
                                      772550, 772556, 772705, 22201, 1,      MsgSetColumns};
    const Key key = AnyKey();
    switch (Below(depth ? 9 : 13)) {
    case 11:
    case 0:
    case 1: {
        // A name as another plugin passes it, placed before the unreadable page.
        const uint32_t length = Chance(0.1) ? 200 + Below(2000) : Below(12);
        GuardedBytes name(length + 1, static_cast<uint8_t>('a' + Below(26)));
        name.Bytes()[length] = 0;
        const int32_t word = Chance(0.1) ? 0 : name.Word();
        Note(Text(MsgOpenBoard, key.net, key.contact, static_cast<int32_t>(length)));
        SendMessageRecord(MsgOpenBoard, key.net, key.contact, word);
        ++stats_.boardsOpened;
        break;
    }
    case 12:
    case 6:
    case 2:
        Draw();
        break;
    case 3: {
        static const uint32_t Attributes[] = {MsgRequestPenColor, MsgRequestFillColor, MsgRequestPenWidth,
                                              MsgRequestFillEnabled, MsgRequestPenEnabled};
        const uint32_t id = Attributes[Below(5)];
        const int32_t value = AnyValue();
        Note(Text(id, key.net, key.contact, value));
        SendMessageRecord(id, key.net, key.contact, value);
        break;
    }
    case 4: {
        const uint32_t id = Chance(0.5) ? MsgBoardState : MsgFlashBoard;
        Note(Text(id, key.net, key.contact, 0));
        const intptr_t state = SendMessageRecord(id, key.net, key.contact, 0);
        if (state < 0 || state > 2)
            failure_ = "MsgBoardState answered " + std::to_string(state);
        break;
    }
    case 5:
        Invitation();
        break;
    case 7:
        Accept();
        break;
    case 8: {
        static const uint32_t Lifecycles[] = {MsgUiEnd, MsgUiStart, MsgInit, MsgUiPrepare, MsgSetColumns};
        Lifecycle(Lifecycles[Below(5)]);
        break;
    }
    default: {
        const uint32_t id = Others[Below(sizeof Others / sizeof Others[0])];
        Note(Text(id, 0, 0, 0));
        SendMessageRecord(id, key.net, key.contact, AnyValue());
        break;
    }
    }
}

void BoardFuzzer::Draw()
{
    static const uint32_t Ids[] = {MsgDrawLine, MsgDrawEllipse, MsgDrawRectangle};
    const Key key = AnyKey();
    const uint32_t id = Ids[Below(3)];
    const int32_t x1 = Coordinate(), y1 = Coordinate(), x2 = Coordinate(), y2 = Coordinate();
    DrawRequest request = MakeDrawRequest(id, key.net, key.contact, x1, y1, x2, y2);
    size_t readable = sizeof request;
    if (Chance(0.05)) {
        request.size = static_cast<uint16_t>(30 + Below(14));
        readable = request.size;
    }
    std::ostringstream text;
    text << request.id << " on (" << key.net << ", " << key.contact << ") " << request.x1 << " " << request.y1 << " "
         << request.x2 << " " << request.y2 << " size " << request.size;
    Note(text.str());
    ++stats_.draws;
    SendPlaced(&request, sizeof request, readable);
}

void BoardFuzzer::Invitation()
{
    const Key key = AnyKey();
    // Names end anywhere; or nowhere before the unreadable page, when more
    // of them is readable than an invitation holds (the text has room for
    // at most 295 bytes of name after the two numbers).
    const bool terminated = Chance(0.7);
    const uint32_t length = !terminated ? 295 + Below(100) : Chance(0.2) ? 250 + Below(100) : Below(20);
    GuardedBytes name(length + 1, static_cast<uint8_t>('A' + Below(26)));
    name.Bytes()[length] = terminated ? 0 : 'Z';
    const int32_t word = Chance(0.1) ? 0 : name.Word();
    Note(Text(MsgInviteBoard, key.net, key.contact, static_cast<int32_t>(length)) +
         (terminated ? "" : " unterminated"));
    SendMessageRecord(MsgInviteBoard, key.net, key.contact, word);
}

void BoardFuzzer::Accept()
{
    StandInHost& host = session_.hosts[Below(2)];
    if (Chance(0.6)) {
        // What was sent arrives; or a stored invitation of any body.
        if (Chance(0.5)) {
            host.store.Deliver();
        } else {
            const int32_t type = Chance(0.9) ? MessageTypeBoard : 1;
            const std::string body = Chance(0.1) ? "1 1 " + std::string(300 + Below(700), 'w')
                                                 : Bodies[Below(sizeof Bodies / sizeof Bodies[0])];
            host.store.Receive(type, body.c_str());
        }
    }
    ActionNotify notify = {};
    notify.size = static_cast<uint16_t>(Chance(0.5) ? sizeof notify : Below(40));
    notify.action.id = Chance(0.9) ? static_cast<int32_t>(ActionBoard) : AnyValue();
    notify.code = Chance(0.9) ? 1 : AnyValue();
    GuardedBytes record(sizeof notify);
    std::memcpy(record.Bytes(), &notify, sizeof notify);
    Note(Text(MsgAction, notify.size, notify.action.id, notify.code));
    SendMessageRecord(MsgAction, 0, Chance(0.05) ? 0 : record.Word(), 0);
}

void BoardFuzzer::WindowStep(HWND frame)
{
    BoardWindowState* state = BoardOf(frame);
    HWND canvas = state ? state->canvasWindow : nullptr;
    ++stats_.windowSteps;
    auto point = [this](HWND window) {
        POINT p = {std::uniform_int_distribution<int>(-60, 720)(random_),
                   std::uniform_int_distribution<int>(-60, 560)(random_)};
        ClientToScreen(window, &p);
        SetCursorPos(p.x, p.y);
        ScreenToClient(window, &p);
        return MAKELPARAM(p.x, p.y);
    };
    switch (Below(17)) {
    case 14:
    case 15:
        PictureStep(frame, canvas);
        break;
    case 16:
        Note("clipboard picture");
        PutAnyPicture(frame);
        break;
    case 0: {
        static const int Commands[] = {CmdToolLine, CmdToolFreehand, CmdToolRectangle, CmdToolEllipse,
                                       CmdClear,    CmdPenColor,     CmdFillColor,     999};
        const int command = Commands[Below(8)];
        Note("command " + std::to_string(command));
        SendMessageA(frame, WM_COMMAND, command, 0);
        break;
    }
    case 1:
    case 2:
    case 3:
        if (canvas) {
            static const UINT Mouse[] = {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP};
            const UINT message = Mouse[Below(3)];
            Note("mouse " + std::to_string(message));
            const LPARAM where = point(canvas);
            SendMessageA(canvas, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, where);
        }
        break;
    case 4:
        Note("close board");
        SendMessageA(frame, WM_CLOSE, 0, 0);
        break;
    case 5:
        if (Chance(0.5)) {
            Note("destroy board");
            DestroyWindow(frame);
        } else if (canvas) {
            Note("close canvas");
            SendMessageA(canvas, WM_CLOSE, 0, 0);
        }
        break;
    case 6: {
        static const int Shows[] = {SW_MINIMIZE, SW_RESTORE, SW_MAXIMIZE, SW_SHOWNORMAL, SW_HIDE, SW_SHOW};
        const int show = Shows[Below(6)];
        Note("show " + std::to_string(show));
        ShowWindow(frame, show);
        break;
    }
    case 7: {
        const int width = std::uniform_int_distribution<int>(0, 1200)(random_);
        const int height = std::uniform_int_distribution<int>(0, 1000)(random_);
        Note("resize " + std::to_string(width) + "x" + std::to_string(height));
        MoveWindow(frame, std::uniform_int_distribution<int>(-100, 600)(random_), 10, width, height, TRUE);
        break;
    }
    case 8: {
        RECT proposed = {0, 0, std::uniform_int_distribution<int>(-100, 3000)(random_),
                         std::uniform_int_distribution<int>(-100, 3000)(random_)};
        const WPARAM edge = 1 + Below(8);
        Note("sizing edge " + std::to_string(edge));
        SendMessageA(frame, WM_SIZING, edge, reinterpret_cast<LPARAM>(&proposed));
        break;
    }
    case 9:
        if (canvas) {
            const UINT bar = Chance(0.5) ? WM_HSCROLL : WM_VSCROLL;
            const WPARAM code = MAKEWPARAM(Below(9), Below(700));
            Note("scroll " + std::to_string(code));
            SendMessageA(canvas, bar, code, 0);
        }
        break;
    case 10:
        if (state && state->toolbarWindow) {
            // A drop-down button pressed; the menu answers at once.
            static const UINT Items[] = {0,
                                         MenuColorOther,
                                         MenuColorNone,
                                         MenuColorBlack,
                                         MenuColorRed,
                                         MenuColorYellow,
                                         MenuColorGreen,
                                         MenuColorBlue,
                                         MenuColorNavy,
                                         MenuColorPink,
                                         MenuColorWhite,
                                         1234};
            gModal.menuItem = Items[Below(12)];
            gModal.colourChosen = Chance(0.5);
            gModal.colour = static_cast<COLORREF>(AnyValue());
            NMTOOLBARA notification = {};
            notification.hdr.hwndFrom = state->toolbarWindow;
            notification.hdr.idFrom = GetDlgCtrlID(state->toolbarWindow);
            notification.hdr.code = TBN_DROPDOWN;
            notification.iItem = Chance(0.5) ? CmdPenColor : CmdFillColor;
            Note("colour menu " + std::to_string(notification.iItem) + " -> " + std::to_string(gModal.menuItem));
            SendMessageA(frame, WM_NOTIFY, notification.hdr.idFrom, reinterpret_cast<LPARAM>(&notification));
        }
        break;
    case 11:
        Note("repaint");
        RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
        break;
    case 12:
        if (state && state->sizePickerWindow) {
            // The picker's spin control reports a new position.
            const WPARAM code = MAKEWPARAM(SB_THUMBPOSITION, Below(14));
            Note("picker " + std::to_string(code));
            HWND spin = GetDlgItem(state->sizePickerWindow, IdSizeSpin);
            SendMessageA(state->sizePickerWindow, WM_VSCROLL, code, reinterpret_cast<LPARAM>(spin));
        }
        break;
    default:
        Note("pump");
        PumpMessages();
        break;
    }
}

// Undo, redo, copy, paste and save: by command, from the context menu (the
// menu answers at once) or by the keys that open it.
void BoardFuzzer::PictureStep(HWND frame, HWND canvas)
{
    static const UINT Commands[] = {CmdUndo, CmdRedo, CmdCopyPicture, CmdPastePicture, CmdSavePicture, 0};
    const UINT command = Commands[Below(6)];
    gModal.menuItem = command;
    // Saved to a file, to a folder (which cannot be written) or cancelled.
    const uint32_t save = Below(3);
    gModal.savePath = save == 0 ? saveFile_ : save == 1 ? saveFolder_ : std::string();
    switch (Below(4)) {
    case 0:
        Note("picture command " + std::to_string(command) + " save " + std::to_string(save));
        SendMessageA(Chance(0.5) || !canvas ? frame : canvas, WM_COMMAND, command, 0);
        break;
    case 1:
        if (canvas) {
            POINT where = {std::uniform_int_distribution<int>(-20, 700)(random_),
                           std::uniform_int_distribution<int>(-20, 560)(random_)};
            ClientToScreen(canvas, &where);
            const LPARAM point = Chance(0.3) ? -1 : MAKELPARAM(where.x, where.y);
            Note("context menu -> " + std::to_string(command) + " save " + std::to_string(save));
            SendMessageA(canvas, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(canvas), point);
        }
        break;
    default:
        // (F10 without Shift would enter the frame's menu mode and wait for
        // a user.)
        if (canvas) {
            Note("menu key -> " + std::to_string(command));
            SendMessageA(canvas, WM_KEYDOWN, VK_APPS, 0);
            SendMessageA(canvas, WM_KEYUP, VK_APPS, 0);
        }
        break;
    }
    gModal.menuItem = 0;
}

// A picture on the clipboard as another program may leave it: of any size
// and form, its record cut short or lying about itself; now and then the
// bytes of a PNG file alone, whose header says any size and whose chunks
// are noise.
void BoardFuzzer::PutAnyPicture(HWND owner)
{
    if (Chance(0.3)) {
        PutAnyPng(owner);
        return;
    }
    static const WORD Depths[] = {1, 4, 8, 16, 24, 32, 0, 2, 64};
    static const DWORD Compressions[] = {BI_RGB, BI_BITFIELDS, BI_RLE8, BI_JPEG, 77};
    BITMAPV5HEADER header = {};
    header.bV5Size = Chance(0.7) ? sizeof(BITMAPINFOHEADER) : Chance(0.5) ? sizeof header : AnyValue();
    header.bV5Width = Chance(0.7) ? std::uniform_int_distribution<int32_t>(1, 900)(random_) : AnyValue();
    header.bV5Height = Chance(0.7) ? std::uniform_int_distribution<int32_t>(-700, 700)(random_) : AnyValue();
    header.bV5Planes = 1;
    header.bV5BitCount = Depths[Below(9)];
    header.bV5Compression = Chance(0.7) ? BI_RGB : Compressions[Below(5)];
    header.bV5ClrUsed = Chance(0.8) ? 0 : static_cast<DWORD>(AnyValue());
    const uint64_t rows = header.bV5Height < 0 ? -static_cast<int64_t>(header.bV5Height) : header.bV5Height;
    const uint64_t full = sizeof header + 1024 + rows * ((static_cast<uint64_t>(header.bV5Width) * 32 + 31) / 32) * 4;
    const size_t bytes = static_cast<size_t>(Chance(0.8) && full < (8u << 20) ? full : Below(200));
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes ? bytes : 1);
    if (!block)
        return;
    if (uint8_t* data = static_cast<uint8_t*>(GlobalLock(block))) {
        std::memcpy(data, &header, bytes < sizeof header ? bytes : sizeof header);
        for (size_t i = sizeof header; i < bytes; i += 97)
            data[i] = static_cast<uint8_t>(Below(256));
        GlobalUnlock(block);
    }
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        if (!SetClipboardData(CF_DIB, block))
            GlobalFree(block);
        CloseClipboard();
    } else {
        GlobalFree(block);
    }
}

void BoardFuzzer::PutAnyPng(HWND owner)
{
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (int32_t side : {Chance(0.7) ? std::uniform_int_distribution<int32_t>(1, 900)(random_) : AnyValue(),
                         Chance(0.7) ? std::uniform_int_distribution<int32_t>(1, 700)(random_) : AnyValue()})
        for (int shift = 24; shift >= 0; shift -= 8)
            png.push_back(static_cast<uint8_t>(side >> shift));
    static const uint8_t Depths[] = {1, 2, 4, 8, 16, 3};
    static const uint8_t ColourTypes[] = {0, 2, 3, 4, 6, 5};
    png.insert(png.end(), {Depths[Below(6)], ColourTypes[Below(6)], 0, 0, static_cast<uint8_t>(Below(2))});
    png.resize(Chance(0.2) ? Below(static_cast<uint32_t>(png.size()) + 1) : png.size() + Below(4000));
    for (size_t i = 29; i < png.size(); ++i)
        png[i] = static_cast<uint8_t>(Below(256));
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, png.size() ? png.size() : 1);
    if (!block)
        return;
    if (void* data = GlobalLock(block)) {
        std::memcpy(data, png.data(), png.size());
        GlobalUnlock(block);
    }
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        if (!SetClipboardData(RegisterClipboardFormatA("PNG"), block))
            GlobalFree(block);
        CloseClipboard();
    } else {
        GlobalFree(block);
    }
}

void BoardFuzzer::Nested(int depth)
{
    ++stats_.reentries;
    Note("[re-entered:");
    if (Chance(0.25)) {
        if (HWND frame = AnyFrame())
            WindowStep(frame);
    } else {
        Message(depth);
    }
    Note("]");
}

void BoardFuzzer::ArmReentry()
{
    armed_ = true;
    static const int Kinds[] = {-1, HostCall::Get, HostCall::Set, HostCall::Message};
    triggerKind_ = Kinds[Below(4)];
    countdown_ = 1 + static_cast<int>(Below(4));
    Note("armed " + std::to_string(triggerKind_) + "/" + std::to_string(countdown_));
}

void BoardFuzzer::OnHostCall(const HostCall& call)
{
    if (!armed_ || depth_ >= 2)
        return;
    if (triggerKind_ >= 0 && call.kind != triggerKind_)
        return;
    if (--countdown_ > 0)
        return;
    armed_ = Chance(0.3);  // sometimes once more, deeper
    countdown_ = 1;
    ++depth_;
    Nested(depth_);
    --depth_;
}

bool BoardFuzzer::Step(const std::function<void(const std::string&)>& describe)
{
    step_.clear();
    describe_ = describe;
    if (Chance(0.5))
        ArmReentry();
    const uint32_t kind = Below(10);
    HWND frame = kind >= 7 ? AnyFrame() : nullptr;
    if (kind < 7) {
        Message(0);
    } else if (frame) {
        WindowStep(frame);
    } else {
        Note("pump");
        PumpMessages();
    }
    armed_ = false;
    describe_ = nullptr;
    if (!failure_.empty())
        return false;
    PumpMessages();
    return Check();
}

bool BoardFuzzer::Check()
{
    const std::vector<HWND> frames = BoardFrames();
    if (frames.size() > static_cast<size_t>(stats_.mostBoards))
        stats_.mostBoards = static_cast<int>(frames.size());
    std::ostringstream problem;
    if (!uiRunning_ && !frames.empty())
        problem << frames.size() << " board window(s) outside the user interface; ";
    std::set<std::pair<int32_t, int32_t>> keys;
    size_t pictures = 0;
    bool dragOnLiveBoard = !drag_ || !drag_->board;
    for (HWND frame : frames) {
        const BoardWindowState* state = BoardOf(frame);
        if (!state) {
            problem << "a board window without its record; ";
            continue;
        }
        if (!keys.insert({state->net, state->contact}).second)
            problem << "two windows for board (" << state->net << ", " << state->contact << "); ";
        if (state->canvasBitmap) {
            ++pictures;
            if (GetObjectType(state->canvasBitmap) != OBJ_BITMAP)
                problem << "a board whose picture is gone; ";
        }
        dragOnLiveBoard = dragOnLiveBoard || drag_->board == state;
    }
    if (!dragOnLiveBoard)
        problem << "the drag refers to no open board; ";
    // Undo steps are kept in memory, not in bitmaps.
    if (ledger_->LiveDibSections() != 0)
        problem << ledger_->LiveDibSections() << " DIB sections held; ";
    // Outside a drawing step the boards hold exactly their pictures.
    if (ledger_->LiveObjects() != pictures)
        problem << ledger_->LiveObjects() << " GDI objects held for " << pictures << " pictures; ";
    if (ledger_->OpenWindowContexts() != 0)
        problem << ledger_->OpenWindowContexts() << " window device contexts not released; ";
    if (ledger_->LiveMemoryContexts() != 0)
        problem << ledger_->LiveMemoryContexts() << " memory contexts not deleted; ";
    if (ledger_->DeletedWhileSelected() != 0)
        problem << "an object deleted while selected; ";
    for (const StandInHost& host : session_.hosts)
        if (host.OutstandingTexts() != 0)
            problem << host.OutstandingTexts() << " host text(s) not given back; ";
    failure_ = problem.str();
    return failure_.empty();
}
