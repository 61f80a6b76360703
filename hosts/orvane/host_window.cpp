#include "host_window.h"

#include "call_log.h"

#include <iterator>

namespace {

const char* const MainClass = "OrvaneStandInHost";
const char* const MessagesClass = "OrvaneStoredMessages";

// The left column holds the contacts and the buttons; the log fills the rest.
const int Margin = 10;
const int ColumnWidth = 232;
const int RowHeight = 26;
const int RowStep = 30;
const int SmallWidth = 74;
const int SmallStep = 79;
const int LabelHeight = 16;
const int ContactsHeight = 112;
const int LogLeft = Margin + ColumnWidth + Margin;

struct Button {
    int id;
    const char* label;
    int column;  // 0 to 2 in a row of small buttons, -1 for a whole row
    int row;
};

// Rows below the contact list; the drawing group starts under its label.
const int DrawingLabelRow = 4;
const Button Buttons[] = {
    {IdOpenBoard, "Open board", -1, 0},
    {IdInvite, "Send invitation", -1, 1},
    {IdAccept, "Accept invitation", -1, 2},
    {IdStoredMessages, "Stored messages", -1, 3},
    {IdDrawLine, "Line", 0, 5},
    {IdDrawEllipse, "Ellipse", 1, 5},
    {IdDrawRectangle, "Rectangle", 2, 5},
    {IdPenColor, "Pen colour", 0, 6},
    {IdFillColor, "Fill colour", 1, 6},
    {IdPenWidth, "Pen width", 2, 6},
    {IdPenEnabled, "Pen on/off", 0, 7},
    {IdFillEnabled, "Fill on/off", 1, 7},
    {IdFlash, "Flash", 0, 8},
    {IdState, "State", 1, 8},
};

// Values the attribute buttons send in turn.
const COLORREF PenColors[] = {RGB(220, 0, 0), RGB(0, 150, 0), RGB(0, 0, 220), RGB(0, 0, 0)};
const COLORREF FillColors[] = {RGB(255, 220, 0), RGB(120, 180, 255), RGB(255, 150, 200), RGB(200, 200, 200)};
const int PenWidths[] = {3, 6, 10, 1};

int RowTop(int row)
{
    return Margin + LabelHeight + ContactsHeight + Margin + row * RowStep;
}

HWND MakeChild(HWND parent, const char* className, const char* text, DWORD style, int id)
{
    HWND child =
        CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), GetModuleHandleA(nullptr), nullptr);
    if (child)
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

const char* StateName(StoredMessage::State state)
{
    switch (state) {
    case StoredMessage::Stored:
        return "stored";
    case StoredMessage::Sent:
        return "sent";
    case StoredMessage::Received:
        return "arrived";
    }
    return "?";
}

// Ids of the static labels, which nobody asks for but the layout.
const int LabelId = 1901;

}  // namespace

HostWindow::HostWindow(StandInHost& host, LoadedPlugin& plugin) : host_(host), plugin_(plugin)
{
    host_.duringCall = [this](const HostCall& call) { OnHostCall(call); };
}

HostWindow::~HostWindow()
{
    StopPlugin();
    if (window_)
        DestroyWindow(window_);
    host_.duringCall = nullptr;
}

bool HostWindow::RegisterClasses()
{
    static bool registered = false;
    if (registered)
        return true;
    WNDCLASSA main = {};
    main.lpfnWndProc = MainProcedure;
    main.hInstance = GetModuleHandleA(nullptr);
    main.hCursor = LoadCursor(nullptr, IDC_ARROW);
    main.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    main.lpszClassName = MainClass;
    WNDCLASSA messages = main;
    messages.lpfnWndProc = MessagesProcedure;
    messages.lpszClassName = MessagesClass;
    registered = RegisterClassA(&main) && RegisterClassA(&messages);
    return registered;
}

bool HostWindow::Create(int x, int y)
{
    if (window_ || !RegisterClasses())
        return window_ != nullptr;
    window_ = CreateWindowExA(0, MainClass, "Orvane - stand-in host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, 980,
                              640, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    if (!window_)
        return false;
    CreateControls();
    RECT client;
    GetClientRect(window_, &client);
    Layout(client.right, client.bottom);
    ListContacts();
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    return true;
}

void HostWindow::CreateControls()
{
    MakeChild(window_, "STATIC", "Contacts:", SS_LEFT, LabelId);
    MakeChild(window_, "LISTBOX", "", WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
              IdContacts);
    for (const Button& button : Buttons)
        MakeChild(window_, "BUTTON", button.label, BS_PUSHBUTTON | WS_TABSTOP, button.id);
    MakeChild(window_, "STATIC", "Other plugins' messages to the board:", SS_LEFT, LabelId + 1);
    MakeChild(window_, "STATIC", "Calls between host and plugin:", SS_LEFT, LabelId + 2);
    HWND log = MakeChild(
        window_, "EDIT", "",
        WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL, IdLog);
    if (log) {
        SendMessageA(log, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), FALSE);
        SendMessageA(log, EM_SETLIMITTEXT, 0, 0);  // no limit beyond memory
    }
}

void HostWindow::Layout(int width, int height)
{
    auto place = [this](int id, int x, int y, int w, int h) {
        if (HWND control = GetDlgItem(window_, id))
            MoveWindow(control, x, y, w, h, TRUE);
    };
    place(LabelId, Margin, Margin, ColumnWidth, LabelHeight);
    place(IdContacts, Margin, Margin + LabelHeight, ColumnWidth, ContactsHeight);
    for (const Button& button : Buttons) {
        if (button.column < 0)
            place(button.id, Margin, RowTop(button.row), ColumnWidth, RowHeight);
        else
            place(button.id, Margin + button.column * SmallStep, RowTop(button.row), SmallWidth, RowHeight);
    }
    place(LabelId + 1, Margin, RowTop(DrawingLabelRow) + RowStep - LabelHeight - 4, ColumnWidth, LabelHeight);
    place(LabelId + 2, LogLeft, Margin, width - LogLeft - Margin, LabelHeight);
    place(IdLog, LogLeft, Margin + LabelHeight, width - LogLeft - Margin, height - 2 * Margin - LabelHeight);
}

void HostWindow::ListContacts()
{
    HWND list = Control(IdContacts);
    for (const auto& entry : host_.contacts) {
        const std::string item =
            std::to_string(entry.first) + ": " + entry.second.uid + " (net " + std::to_string(entry.second.net) + ")";
        const LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        if (index >= 0)
            SendMessageA(list, LB_SETITEMDATA, index, entry.first);
    }
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    if (host_.contacts.empty())
        Emit("host: no contacts (give a file of \"number net uid\" lines with --contacts)");
}

LRESULT CALLBACK HostWindow::MainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto self = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_COMMAND:
        self->OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_SIZE:
        self->Layout(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT {640, 440};
        return 0;
    case WM_CLOSE:
        // The real host ends its user interface before its window goes.
        self->StopPlugin();
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        self->window_ = nullptr;
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void HostWindow::OnCommand(int id, int code)
{
    if (id == IdContacts) {
        if (code == LBN_DBLCLK)
            OpenBoard();
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case IdOpenBoard:
        OpenBoard();
        break;
    case IdInvite:
        Invite();
        break;
    case IdAccept:
        Accept();
        break;
    case IdStoredMessages:
        ShowStoredMessages();
        break;
    case IdDrawLine:
    case IdDrawEllipse:
    case IdDrawRectangle:
        Draw(id);
        break;
    case IdPenColor:
    case IdFillColor:
    case IdPenWidth:
    case IdPenEnabled:
    case IdFillEnabled:
        SetAttribute(id);
        break;
    case IdFlash:
        AskBoard(MsgFlashBoard);
        break;
    case IdState:
        AskBoard(MsgBoardState);
        break;
    }
}

bool HostWindow::SelectedTarget(Target& target)
{
    HWND list = Control(IdContacts);
    const LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    auto found = index < 0 ? host_.contacts.end()
                           : host_.contacts.find(static_cast<int>(SendMessageA(list, LB_GETITEMDATA, index, 0)));
    if (found == host_.contacts.end()) {
        Emit("host: select a contact first");
        return false;
    }
    target.contact = found->first;
    target.net = found->second.net;
    target.name = found->second.uid;
    return true;
}

void HostWindow::OpenBoard()
{
    Target target;
    if (SelectedTarget(target))
        SendToPlugin(MsgOpenBoard, target.contact, AddressWord(target.name.c_str()), target.net);
}

void HostWindow::Invite()
{
    Target target;
    if (SelectedTarget(target))
        SendToPlugin(MsgInviteBoard, target.contact, AddressWord(target.name.c_str()), target.net);
}

// The contact's side, played by the same host: what was sent arrives, and
// the user activates the board item attached to it.
void HostWindow::Accept()
{
    const int arrived = host_.store.Deliver();
    Emit("host: the contact's side: " + std::to_string(arrived) + " sent message(s) arrived");
    ActionNotify notify = {};
    notify.size = sizeof notify;
    notify.action.id = ActionBoard;
    notify.code = 1;
    SendToPlugin(MsgAction, AddressWord(&notify));
}

void HostWindow::Draw(int id)
{
    Target target;
    if (!SelectedTarget(target))
        return;
    const int press = presses_[id - IdDrawLine]++;
    // Each press lands a little further on, so that presses add up to a picture.
    DrawRequest request;
    if (id == IdDrawLine) {
        const int step = 16 * (press % 8);
        request = MakeDrawRequest(MsgDrawLine, target.net, target.contact, 30, 40 + step, 330, 140 + step);
    } else if (id == IdDrawEllipse) {
        const int step = 12 * (press % 6);
        request =
            MakeDrawRequest(MsgDrawEllipse, target.net, target.contact, 360 + step, 40 + step, 560 + step, 200 + step);
    } else {
        const int step = 14 * (press % 6);
        request = MakeDrawRequest(MsgDrawRectangle, target.net, target.contact, 40 + step, 290 + step, 300 + step,
                                  400 + step);
    }
    Deliver(reinterpret_cast<PluginMessage*>(&request));
}

void HostWindow::SetAttribute(int id)
{
    Target target;
    if (!SelectedTarget(target))
        return;
    const int press = presses_[id - IdDrawLine]++;
    uint32_t message = 0;
    int32_t value = 0;
    switch (id) {
    case IdPenColor:
        message = MsgRequestPenColor;
        value = static_cast<int32_t>(PenColors[press % std::size(PenColors)]);
        break;
    case IdFillColor:
        message = MsgRequestFillColor;
        value = static_cast<int32_t>(FillColors[press % std::size(FillColors)]);
        break;
    case IdPenWidth:
        message = MsgRequestPenWidth;
        value = PenWidths[press % std::size(PenWidths)];
        break;
    case IdPenEnabled:
        // A board starts with the pen on: the first press turns it off.
        message = MsgRequestPenEnabled;
        value = press % 2 ? 1 : 0;
        break;
    case IdFillEnabled:
        // ... and with the fill off.
        message = MsgRequestFillEnabled;
        value = press % 2 ? 0 : 1;
        break;
    }
    SendToPlugin(message, target.contact, value, target.net);
}

void HostWindow::AskBoard(uint32_t id)
{
    Target target;
    if (SelectedTarget(target))
        SendToPlugin(id, target.contact, 0, target.net);
}

void HostWindow::ShowStoredMessages()
{
    if (!messagesWindow_) {
        RECT main = {};
        GetWindowRect(window_, &main);
        messagesWindow_ = CreateWindowExA(0, MessagesClass, "Stored messages", WS_OVERLAPPEDWINDOW, main.right + 10,
                                          main.top, 480, 220, window_, nullptr, GetModuleHandleA(nullptr), this);
        if (!messagesWindow_)
            return;
        HWND list = MakeChild(messagesWindow_, "LISTBOX", "", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, IdMessageList);
        RECT client;
        GetClientRect(messagesWindow_, &client);
        MoveWindow(list, 0, 0, client.right, client.bottom, FALSE);
    }
    RefreshStoredMessages();
    Emit("host: " + std::to_string(host_.store.Messages().size()) + " stored message(s)");
    ShowWindow(messagesWindow_, SW_SHOWNORMAL);
    BringWindowToTop(messagesWindow_);
}

void HostWindow::RefreshStoredMessages()
{
    HWND list = messagesWindow_ ? GetDlgItem(messagesWindow_, IdMessageList) : nullptr;
    if (!list)
        return;
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const auto& entry : host_.store.Messages()) {
        const StoredMessage& message = entry.second;
        const std::string item = "#" + std::to_string(entry.first) + " " + StateName(message.state) + ", type " +
            std::to_string(message.record.type) + ", to " + message.uid1 + " (net " +
            std::to_string(message.record.messageNet) + "): \"" + message.body + "\"";
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    if (host_.store.Messages().empty())
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("(no stored messages)"));
}

LRESULT CALLBACK HostWindow::MessagesProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto self = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && message == WM_SIZE) {
        MoveWindow(GetDlgItem(window, IdMessageList), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    }
    if (self && message == WM_DESTROY) {
        self->messagesWindow_ = nullptr;
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void HostWindow::StartPlugin()
{
    if (started_)
        return;
    started_ = true;
    host_.pluginModule = plugin_.Module();
    SendToPlugin(MsgInit, AddressWord(static_cast<HostCore*>(&host_)));
    SendToPlugin(MsgSetColumns);
    SendToPlugin(MsgUiPrepare);
    SendToPlugin(MsgUiStart);
    for (uint32_t id : {MsgGetNet, MsgGetName, MsgGetVersion, MsgGetSignature})
        SendToPlugin(id);
}

void HostWindow::StopPlugin()
{
    if (!started_)
        return;
    started_ = false;
    SendToPlugin(MsgUiEnd);
}

void HostWindow::RunUntilClosed()
{
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            // Tab and the arrow keys move between the host window's controls.
            if (window_ && IsDialogMessageA(window_, &message))
                continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (!window_)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
    }
}

intptr_t HostWindow::SendToPlugin(uint32_t id, int32_t p1, int32_t p2, int32_t boardNet)
{
    PluginMessage message = MakePluginMessage(id, p1, p2, boardNet);
    return Deliver(&message);
}

intptr_t HostWindow::Deliver(PluginMessage* record)
{
    pending_.emplace_back();
    const intptr_t result = plugin_.SendRecord(record);
    std::vector<std::string> nested = std::move(pending_.back());
    pending_.pop_back();
    Emit(DescribePluginCall(*record, result));
    for (const std::string& line : nested)
        Emit("    " + line);
    RefreshStoredMessages();
    return result;
}

void HostWindow::OnHostCall(const HostCall& call)
{
    Emit(DescribeHostCall(call));
}

void HostWindow::Emit(const std::string& line)
{
    if (!pending_.empty()) {
        pending_.back().push_back(line);
        return;
    }
    if (echo_) {
        std::fprintf(echo_, "%s\n", line.c_str());
        std::fflush(echo_);
    }
    AppendToPane(line);
}

void HostWindow::AppendToPane(const std::string& line)
{
    HWND pane = Control(IdLog);
    if (!pane)
        return;
    const int length = GetWindowTextLengthA(pane);
    const std::string text = (length ? "\r\n" : "") + line;
    SendMessageA(pane, EM_SETSEL, length, length);
    SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    // The caret at the start of the new line: the pane shows the latest
    // lines from their beginnings.
    const int lineStart = length + static_cast<int>(text.size() - line.size());
    SendMessageA(pane, EM_SETSEL, lineStart, lineStart);
    SendMessageA(pane, EM_SCROLLCARET, 0, 0);
}
