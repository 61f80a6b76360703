#include "stand_in_host.h"

#include "oboard/board_ui.h"

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

BOOL CALLBACK CollectBoardFrame(HWND window, LPARAM frames)
{
    if (IsBoardFrame(window))
        reinterpret_cast<std::vector<HWND>*>(frames)->push_back(window);
    return TRUE;
}

// The bytes of the record of type T at a message word, as they are now.
template <typename T> std::vector<uint8_t> RecordBytes(int32_t word)
{
    auto bytes = WordAddress<uint8_t>(word);
    return std::vector<uint8_t>(bytes, bytes + sizeof(T));
}

}  // namespace

bool IsBoardFrame(HWND window)
{
    char name[sizeof BoardFrameClassName + 1] = {};
    return GetClassNameA(window, name, sizeof name) && !std::strcmp(name, BoardFrameClassName);
}

std::vector<HWND> BoardFrames()
{
    std::vector<HWND> frames;
    EnumThreadWindows(GetCurrentThreadId(), CollectBoardFrame, reinterpret_cast<LPARAM>(&frames));
    return frames;
}

HINSTANCE StandInHost::HostInstance()
{
    HostCall call(HostCall::Instance);
    call.result = AddressWord(pluginModule);
    Record(call);
    return pluginModule;
}

void StandInHost::SetError(int code)
{
    HostCall call(HostCall::Error);
    call.code = code;
    Record(call);
}

int StandInHost::HostMessage(PluginMessage* message)
{
    HostCall call(HostCall::Message);
    std::memcpy(&call.message, message, sizeof call.message);
    // Records live only during the call: copy what they hold now.
    if (message->p1) {
        switch (message->id) {
        case MsgSetColumn:
            call.record = RecordBytes<ColumnDef>(message->p1);
            if (auto name = WordAddress<ColumnDef>(message->p1)->name)
                call.text = name;
            break;
        case MsgAddAction:
            call.record = RecordBytes<ActionInfo>(message->p1);
            if (auto text = WordAddress<ActionInfo>(message->p1)->text)
                call.text = text;
            break;
        case MsgQueueAdd:
            call.record = RecordBytes<QueuedMessage>(message->p1);
            if (auto body = WordAddress<QueuedMessage>(message->p1)->body)
                call.text = body;
            break;
        case MsgQueueGet:
            if (message->p2)
                call.target = RecordBytes<QueuedMessage>(message->p2);
            call.record = RecordBytes<MessageSelector>(message->p1);
            break;
        case MsgQueueProcess:
        case MsgQueueDone:
            call.record = RecordBytes<MessageSelector>(message->p1);
            break;
        }
    }
    call.result = HandleMessage(*message);
    if (message->id == MsgQueueGet && call.result && message->p2)
        if (auto body = WordAddress<QueuedMessage>(message->p2)->body)
            call.answerText = body;
    Record(call);
    return call.result;
}

int StandInHost::HandleMessage(const PluginMessage& message)
{
    if (message.id == MsgSetColumn && message.p1) {
        auto definition = WordAddress<ColumnDef>(message.p1);
        // A column keeps the value loaded from the settings file, if any.
        if (definition->valueType == static_cast<uint32_t>(ValueInt))
            config.emplace(static_cast<int>(definition->columnId), definition->defaultValue);
        return 1;
    }
    auto selector = WordAddress<MessageSelector>(message.p1);
    switch (message.id) {
    case MsgQueueAdd:
        return message.p1 ? store.Add(*WordAddress<QueuedMessage>(message.p1)) : 0;
    case MsgQueueProcess:
        return selector ? store.Process(*selector) : 0;
    case MsgQueueGet:
        return selector && message.p2 ? store.Get(*selector, WordAddress<QueuedMessage>(message.p2)) : 0;
    case MsgQueueDone:
        return selector ? store.Done(*selector) : 0;
    }
    return 0;
}

int StandInHost::GetValue(int table, int row, int column, HostValue* value)
{
    HostCall call(HostCall::Get);
    call.table = table;
    call.row = row;
    call.column = column;
    call.value = *value;
    call.result = Answer(table, row, column, value, call.answerText);
    call.answer = *value;
    Record(call);
    return call.result;
}

int StandInHost::Answer(int table, int row, int column, HostValue* value, std::string& text)
{
    if (table == TableConfig && row == 0) {
        auto found = config.find(column);
        value->value = found == config.end() ? 0 : found->second;
        return found != config.end();
    }
    if (table == TableContacts) {
        auto found = contacts.find(row);
        if (value->type == ValueString) {
            if (found != contacts.end() && column == ColContactUid)
                text = found->second.uid;
            char* copy = new char[text.size() + 1];
            std::memcpy(copy, text.c_str(), text.size() + 1);
            outstanding_.insert(copy);
            value->value = AddressWord(copy);
            return found != contacts.end();
        }
        value->value = (found != contacts.end() && column == ColContactNet) ? found->second.net : 0;
        return found != contacts.end();
    }
    value->value = 0;
    return 0;
}

void StandInHost::SetValue(int table, int row, int column, HostValue* value)
{
    HostCall call(HostCall::Set);
    call.table = table;
    call.row = row;
    call.column = column;
    call.value = *value;
    if (table == TableConfig && row == 0 && value->type == ValueInt)
        config[column] = value->value;
    Record(call);
}

void StandInHost::HostFree(void* pointer)
{
    HostCall call(HostCall::Free);
    call.pointer = pointer;
    auto found = outstanding_.find(pointer);
    if (found != outstanding_.end()) {
        delete[] static_cast<char*>(pointer);
        outstanding_.erase(found);
    }
    Record(call);
}

void StandInHost::Record(const HostCall& call)
{
    calls.push_back(call);
    if (duringCall) {
        const HostCall recorded = calls.back();  // the hook may add calls
        duringCall(recorded);
    }
}

std::vector<HostCall> StandInHost::CallsOf(HostCall::Kind kind, uint32_t messageId) const
{
    std::vector<HostCall> result;
    for (const HostCall& call : calls)
        if (call.kind == kind && (kind != HostCall::Message || messageId == 0 || call.message.id == messageId))
            result.push_back(call);
    return result;
}

bool StandInHost::LoadConfig(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        return false;
    int column;
    long long value;
    while (in >> column >> value)
        config[column] = static_cast<int32_t>(value);
    return true;
}

bool StandInHost::SaveConfig(const std::string& path) const
{
    std::ofstream out(path, std::ios::trunc);
    for (const auto& entry : config)
        out << entry.first << ' ' << entry.second << '\n';
    return static_cast<bool>(out);
}

bool StandInHost::LoadContacts(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        int number;
        Contact contact;
        if (fields >> number >> contact.net >> contact.uid)
            contacts[number] = contact;
    }
    return true;
}

std::string ProgramDirectory()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    if (slash)
        slash[1] = 0;
    return path;
}

LoadedPlugin::LoadedPlugin(const char* path)
{
    module_ = LoadLibraryA(path);
    if (module_)
        entry_ = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(module_, "_IMessageProc@4")));
}

LoadedPlugin::~LoadedPlugin()
{
    if (module_)
        FreeLibrary(module_);
}

intptr_t LoadedPlugin::Send(uint32_t id, int32_t p1, int32_t p2, int32_t boardNet)
{
    PluginMessage message = MakePluginMessage(id, p1, p2, boardNet);
    return entry_(&message);
}

intptr_t LoadedPlugin::SendDraw(uint32_t id, int32_t net, int32_t contact, int32_t x1, int32_t y1, int32_t x2,
                                int32_t y2)
{
    DrawRequest request = MakeDrawRequest(id, net, contact, x1, y1, x2, y2);
    return entry_(reinterpret_cast<PluginMessage*>(&request));
}

void LoadedPlugin::Start(StandInHost& host)
{
    host.pluginModule = module_;
    Send(MsgInit, AddressWord(static_cast<HostCore*>(&host)));
    Send(MsgSetColumns);
    Send(MsgUiPrepare);
    Send(MsgUiStart);
}

void LoadedPlugin::Stop()
{
    Send(MsgUiEnd);
}
