#include "host_window_fixture.h"

#include "synthetic_input.h"

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

std::string TempPath(const std::string& name)
{
    static int files = 0;
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + "host_window_" + std::to_string(GetCurrentProcessId()) + "_" +
        std::to_string(++files) + name;
}

}  // namespace

void HostWindowTest::SetUp()
{
    // A fresh module per test: its own registry, globals and classes.
    pluginCopy = TempPath(".dll");
    const std::string original = ProgramDirectory() + "oboard.dll";
    ASSERT_TRUE(CopyFileA(original.c_str(), pluginCopy.c_str(), FALSE)) << original;
    plugin.reset(new LoadedPlugin(pluginCopy.c_str()));
    ASSERT_TRUE(plugin->Loaded());

    contactsFile = TempPath(".txt");
    {
        std::ofstream contacts(contactsFile);
        contacts << "# number net uid\n1 772 ala@orvane.example\n2 772 ola@orvane.example\n5 -3 ewa@orvane.example\n";
    }
    ASSERT_TRUE(host.LoadContacts(contactsFile));
    host.config[ColBoardX] = BoardLeft;
    host.config[ColBoardY] = 10;
    host.config[ColBoardWidth] = 270;
    host.config[ColBoardHeight] = 400;

    window.reset(new HostWindow(host, *plugin));
    ASSERT_TRUE(window->Create(10, 10));
    window->StartPlugin();
    SetForegroundWindow(window->Handle());
    PumpMessages();
}

void HostWindowTest::TearDown()
{
    if (window && window->Handle())
        SendMessageA(window->Handle(), WM_CLOSE, 0, 0);
    window.reset();
    PumpMessages();
    if (plugin && plugin->Loaded())
        for (const char* name : {BoardFrameClassName, CanvasClassName, SizePickerClassName})
            UnregisterClassA(name, plugin->Module());
    plugin.reset();
    if (!pluginCopy.empty())
        DeleteFileA(pluginCopy.c_str());
    if (!contactsFile.empty())
        DeleteFileA(contactsFile.c_str());
}

bool HostWindowTest::WaitFor(const std::function<bool()>& condition)
{
    const DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (condition())
            return true;
        if (GetTickCount() - start > 30000)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

void HostWindowTest::ClickAt(POINT screen)
{
    SendMouseAt(0, screen);
    SendMouseAt(MOUSEEVENTF_LEFTDOWN, screen);
    SendMouseAt(MOUSEEVENTF_LEFTUP, screen);
}

void HostWindowTest::SelectContact(int index)
{
    HWND list = window->Control(IdContacts);
    RECT item = {};
    ASSERT_NE(LB_ERR, SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)));
    POINT centre = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(list, &centre);
    ClickAt(centre);
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(list, LB_GETCURSEL, 0, 0) == index; })) << "contact " << index;
}

void HostWindowTest::Press(int id)
{
    HWND button = window->Control(id);
    ASSERT_NE(nullptr, button) << id;
    RECT bounds = {};
    GetWindowRect(button, &bounds);
    const size_t before = LogLines().size();
    ClickAt(POINT {(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2});
    ASSERT_TRUE(WaitFor([&] { return LogLines().size() > before; })) << "button " << id;
}

std::vector<std::string> HostWindowTest::LogLines() const
{
    HWND pane = window->Control(IdLog);
    std::vector<char> text(GetWindowTextLengthA(pane) + 1);
    GetWindowTextA(pane, text.data(), static_cast<int>(text.size()));
    std::vector<std::string> lines;
    std::istringstream in(text.data());
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

int HostWindowTest::FindLine(const std::string& line, int from) const
{
    const std::vector<std::string> lines = LogLines();
    for (size_t i = from < 0 ? 0 : from; i < lines.size(); ++i)
        if (lines[i] == line)
            return static_cast<int>(i);
    return -1;
}

int HostWindowTest::CountLines(const std::string& prefix) const
{
    int count = 0;
    for (const std::string& line : LogLines())
        count += line.compare(0, prefix.size(), prefix) == 0;
    return count;
}

std::vector<std::string> HostWindowTest::ListLines(HWND list)
{
    std::vector<std::string> lines;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::vector<char> text(SendMessageA(list, LB_GETTEXTLEN, i, 0) + 1);
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        lines.push_back(text.data());
    }
    return lines;
}

HWND HostWindowTest::BoardOf(int32_t net, int32_t contact)
{
    for (HWND frame : BoardFrames()) {
        const BoardWindowState* state = FrameRecord(frame);
        if (state && state->net == net && state->contact == contact)
            return frame;
    }
    return nullptr;
}

std::string HostWindowTest::TitleOf(HWND window)
{
    char title[300] = {};
    GetWindowTextA(window, title, sizeof title);
    return title;
}
