#include "call_log.h"

#include <cstdio>
#include <cstring>

namespace {

struct IdName {
    uint32_t id;
    const char* name;
};

const IdName IdNames[] = {
    {MsgInit, "MsgInit"},
    {MsgSetColumns, "MsgSetColumns"},
    {MsgUiPrepare, "MsgUiPrepare"},
    {MsgUiStart, "MsgUiStart"},
    {MsgUiEnd, "MsgUiEnd"},
    {MsgAction, "MsgAction"},
    {MsgGetNet, "MsgGetNet"},
    {MsgGetVersion, "MsgGetVersion"},
    {MsgGetSignature, "MsgGetSignature"},
    {MsgGetName, "MsgGetName"},
    {MsgQueueAdd, "MsgQueueAdd"},
    {MsgQueueProcess, "MsgQueueProcess"},
    {MsgQueueDone, "MsgQueueDone"},
    {MsgQueueGet, "MsgQueueGet"},
    {MsgSetColumn, "MsgSetColumn"},
    {MsgAddAction, "MsgAddAction"},
    {MsgActionIcon, "MsgActionIcon"},
    {MsgDrawLine, "MsgDrawLine"},
    {MsgDrawEllipse, "MsgDrawEllipse"},
    {MsgDrawRectangle, "MsgDrawRectangle"},
    {MsgRequestPenColor, "MsgRequestPenColor"},
    {MsgRequestFillColor, "MsgRequestFillColor"},
    {MsgRequestPenWidth, "MsgRequestPenWidth"},
    {MsgRequestFillEnabled, "MsgRequestFillEnabled"},
    {MsgRequestPenEnabled, "MsgRequestPenEnabled"},
    {MsgOpenBoard, "MsgOpenBoard"},
    {MsgInviteBoard, "MsgInviteBoard"},
    {MsgBoardState, "MsgBoardState"},
    {MsgFlashBoard, "MsgFlashBoard"},
};

const IdName ColumnNames[] = {
    {ColBoardX, "ColBoardX"},
    {ColBoardY, "ColBoardY"},
    {ColBoardWidth, "ColBoardWidth"},
    {ColBoardHeight, "ColBoardHeight"},
};

std::string Number(long long value)
{
    return std::to_string(value);
}

std::string Address(uintptr_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(address));
    return text;
}

std::string Quoted(const char* text)
{
    return text ? "\"" + std::string(text) + "\"" : "null";
}

std::string TextAt(int32_t word)
{
    return Quoted(WordAddress<const char>(word));
}

// "MsgOpenBoard(772701)", or the bare number of an id without a name.
std::string Id(uint32_t id)
{
    const char* name = MessageName(id);
    return name ? std::string(name) + "(" + Number(id) + ")" : "message " + Number(id);
}

std::string Column(int table, int column)
{
    if (table == TableContacts)
        return column == ColContactUid ? "ColContactUid" : column == ColContactNet ? "ColContactNet" : Number(column);
    for (const IdName& entry : ColumnNames)
        if (static_cast<int>(entry.id) == column)
            return entry.name;
    return Number(column);
}

// A setting's value; the placement's 0x80000000 lets the system choose.
std::string Setting(int column, int32_t value)
{
    if ((column == ColBoardX || column == ColBoardY) && value == static_cast<int32_t>(CW_USEDEFAULT))
        return "CW_USEDEFAULT";
    return Number(value);
}

std::string Table(int table)
{
    return table == TableConfig ? "config" : table == TableContacts ? "contacts" : "table " + Number(table);
}

std::string Colour(int32_t value)
{
    const COLORREF colour = static_cast<COLORREF>(value);
    return "RGB(" + Number(GetRValue(colour)) + ", " + Number(GetGValue(colour)) + ", " + Number(GetBValue(colour)) +
        ")";
}

std::string Board(const PluginMessage& record)
{
    return " net " + Number(record.boardNet) + ", contact " + Number(record.p1);
}

// The arguments of a message to the plugin, after its id.
std::string PluginArguments(const PluginMessage& record)
{
    switch (record.id) {
    case MsgInit:
        return " core " + Address(static_cast<uint32_t>(record.p1));
    case MsgAction: {
        if (!record.p1)
            return " no notification";
        auto notify = WordAddress<const ActionNotify>(record.p1);
        return " item " + Number(notify->action.id) + ", code " + Number(notify->code);
    }
    case MsgDrawLine:
    case MsgDrawEllipse:
    case MsgDrawRectangle: {
        if (record.size < sizeof(DrawRequest))
            return " a record of only " + Number(record.size) + " bytes";
        auto request = reinterpret_cast<const DrawRequest*>(&record);
        return " net " + Number(request->boardNet) + ", contact " + Number(request->contact) + ", (" +
            Number(request->x1) + ", " + Number(request->y1) + ")-(" + Number(request->x2) + ", " +
            Number(request->y2) + ")";
    }
    case MsgRequestPenColor:
    case MsgRequestFillColor:
        return Board(record) + ", colour " + Colour(record.p2);
    case MsgRequestPenWidth:
        return Board(record) + ", width " + Number(record.p2);
    case MsgRequestFillEnabled:
    case MsgRequestPenEnabled:
        return Board(record) + (record.p2 ? ", on" : ", off");
    case MsgOpenBoard:
    case MsgInviteBoard:
        return Board(record) + ", name " + TextAt(record.p2);
    case MsgBoardState:
    case MsgFlashBoard:
        return Board(record);
    }
    if (record.boardNet || record.p1 || record.p2)
        return " net " + Number(record.boardNet) + ", p1 " + Number(record.p1) + ", p2 " + Number(record.p2);
    return "";
}

std::string PluginAnswer(uint32_t id, intptr_t result)
{
    switch (id) {
    case MsgGetVersion:
    case MsgGetSignature:
    case MsgGetName:
    case MsgGetPlatform:
        return result ? Quoted(reinterpret_cast<const char*>(result)) : "null";
    case MsgBoardState:
        return Number(result) + (result == 0 ? " (no such board)" : result == 1 ? " (open)" : " (minimised)");
    }
    return Number(result);
}

template <typename T> bool Unpack(const HostCall& call, T& out)
{
    if (call.record.size() != sizeof out)
        return false;
    std::memcpy(&out, call.record.data(), sizeof out);
    return true;
}

std::string SelectorText(const HostCall& call)
{
    MessageSelector selector;
    if (!Unpack(call, selector))
        return " no selector";
    return " message " + Number(selector.messageId) + ", type " + Number(selector.type);
}

// The arguments of a message to the host, after its id.
std::string HostArguments(const HostCall& call)
{
    const PluginMessage& message = call.message;
    switch (message.id) {
    case MsgSetColumn: {
        ColumnDef column;
        if (!Unpack(call, column))
            return " no definition";
        return " column " + Column(TableConfig, static_cast<int>(column.columnId)) + ", " +
            (column.valueType == static_cast<uint32_t>(ValueInt) ? "int" : "type " + Number(column.valueType)) +
            ", default " + Setting(static_cast<int>(column.columnId), column.defaultValue);
    }
    case MsgAddAction: {
        ActionInfo info;
        if (!Unpack(call, info))
            return " no item";
        return " item " + Number(info.action.id) + " under " + Number(info.action.parent) + ", text " +
            Quoted(call.text.c_str());
    }
    case MsgActionIcon:
        return " item " + Number(message.p1) + ", icon group " + Number(message.p2);
    case MsgQueueAdd: {
        QueuedMessage queued;
        if (!Unpack(call, queued))
            return " no message";
        // The record's texts are gone by now; the body was copied with it.
        return " type " + Number(queued.type) + ", net " + Number(queued.messageNet) + ", body " +
            Quoted(call.text.c_str()) + ", item " + Number(queued.action.id) + " for contact " +
            Number(queued.action.contact);
    }
    case MsgQueueProcess:
    case MsgQueueGet:
        return SelectorText(call);
    case MsgQueueDone:
        return SelectorText(call) + ", p2 " + Number(message.p2);
    }
    return " p1 " + Number(message.p1) + ", p2 " + Number(message.p2);
}

}  // namespace

const char* MessageName(uint32_t id)
{
    for (const IdName& entry : IdNames)
        if (entry.id == id)
            return entry.name;
    return nullptr;
}

std::string DescribePluginCall(const PluginMessage& record, intptr_t result)
{
    return "host -> plugin: " + Id(record.id) + PluginArguments(record) + " = " + PluginAnswer(record.id, result);
}

std::string DescribeHostCall(const HostCall& call)
{
    std::string line = "plugin -> host: ";
    switch (call.kind) {
    case HostCall::Instance:
        return line + "HostInstance() = " + Address(static_cast<uint32_t>(call.result));
    case HostCall::Error:
        return line + "SetError(" + Number(call.code) + ")";
    case HostCall::Message:
        line += "HostMessage " + Id(call.message.id) + HostArguments(call) + " = " + Number(call.result);
        if (call.message.id == MsgQueueGet && call.result)
            line += ", body " + Quoted(call.answerText.c_str());
        return line;
    case HostCall::Get: {
        const bool text = call.value.type == ValueString;
        line += "GetValue(" + Table(call.table);
        if (call.table != TableConfig)
            line += ", " + Number(call.row);
        line += ", " + Column(call.table, call.column) + (text ? ", text) = " : ") = ");
        if (text)
            return line + Quoted(call.answerText.c_str()) + " at " + Address(static_cast<uint32_t>(call.answer.value));
        return line + (call.table == TableConfig ? Setting(call.column, call.answer.value) : Number(call.answer.value));
    }
    case HostCall::Set:
        line += "SetValue(" + Table(call.table);
        if (call.table != TableConfig)
            line += ", " + Number(call.row);
        return line + ", " + Column(call.table, call.column) + ", " +
            (call.table == TableConfig ? Setting(call.column, call.value.value) : Number(call.value.value)) + ")";
    case HostCall::Free:
        return line + "HostFree(" + Address(reinterpret_cast<uintptr_t>(call.pointer)) + ")";
    }
    return line + "?";
}
