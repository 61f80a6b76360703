// Wire records and message ids of the Orvane host's plugin protocol, as the
// board plugin uses them. Other plugins of the host include this header to
// open boards, draw on them and query them.
//
// Every record is packed and little-endian; texts are addresses of
// null-terminated single-byte strings owned by the sender for the duration of
// the call. Messages go through the host: fill a PluginMessage (or a
// DrawRequest for the drawing ids) and hand it to HostCore::HostMessage.
//
//   PluginMessage m = MakePluginMessage(MsgOpenBoard, contact, AddressWord("Ala"), net);
//   core->HostMessage(&m);              // opens board (net, contact)
//
//   DrawRequest d = MakeDrawRequest(MsgDrawLine, net, contact, 10, 10, 200, 100);  // bitmap pixels, 640x480
//   core->HostMessage(reinterpret_cast<PluginMessage*>(&d));
#ifndef OBOARD_PLUGIN_MESSAGES_H
#define OBOARD_PLUGIN_MESSAGES_H

#include <stddef.h>
#include <stdint.h>

static_assert(sizeof(void*) == 4, "the host protocol is 32-bit: texts are 32-bit addresses");

// ---- ids the host sends to every plugin ----------------------------------
// Some ask the board plugin for nothing but a fixed answer; they are named
// by where they stand and what the plugin answers, the host's use of the
// answer being its own.
enum : uint32_t {
    MsgInit = 20001,                      // p1 = HostCore*
    MsgLifecycleNotice = 20002,           // -> 1, nothing to do
    MsgLifecycleQuery = 20020,            // -> LifecycleQueryAnswer
    MsgLifecycleUnanswered = 20021,       // -> 0
    MsgSetColumns = 21001,                // define settings columns
    MsgUiPrepare = 22000,                 // register user-interface items
    MsgUiStart = 22100,                   // user interface is starting
    MsgUiEnd = 22101,                     // user interface is ending
    MsgAction = 22200,                    // p1 = ActionNotify*: an item was activated
    MsgGetNet = 30010,                    // -> network number
    MsgGetIdentityNumber = 30011,         // -> IdentityNumber
    MsgGetVersion = 30012,                // -> version text
    MsgGetSignature = 30013,              // -> signature text
    MsgGetPlatform = 30014,               // -> platform text
    MsgGetIdentityAfterPlatform = 30015,  // -> 0, no answer
    MsgGetName = 30016,                   // -> display name
    MsgGetIdentityAfterName = 30017,      // -> 0, no answer
};

// The board plugin's fixed answers to the questions above.
enum : int32_t {
    LifecycleQueryAnswer = 2,
    IdentityNumber = 24,
};

// ---- ids a plugin sends to the host ---------------------------------------
enum : uint32_t {
    MsgQueueAdd = 100,      // p1 = QueuedMessage*, returns its number
    MsgQueueProcess = 101,  // p1 = MessageSelector*
    MsgQueueDone = 104,     // p1 = MessageSelector*, p2 = 1
    MsgQueueGet = 106,      // p1 = MessageSelector*, p2 = QueuedMessage* to fill
    MsgSetColumn = 1001,    // p1 = ColumnDef*
    MsgAddAction = 10101,   // p1 = ActionInfo*
    MsgActionIcon = 10109,  // p1 = action id, p2 = icon group number
};

// ---- the board plugin's own ids (network number 772) -----------------------
enum : uint32_t {
    PluginNet = 772,
    ActionBoard = 772001,  // the "O.Board" user-interface item

    ColBoardX = 772121,  // settings: placement of a new board
    ColBoardY = 772122,
    ColBoardWidth = 772123,
    ColBoardHeight = 772124,

    MsgDrawLine = 772502,       // DrawRequest
    MsgDrawEllipse = 772503,    // DrawRequest
    MsgDrawRectangle = 772504,  // DrawRequest

    // boardNet = net, p1 = contact, p2 = the value
    MsgRequestPenColor = 772551,     // COLORREF
    MsgRequestFillColor = 772552,    // COLORREF
    MsgRequestPenWidth = 772553,     // pixels
    MsgRequestFillEnabled = 772554,  // 0 or not 0
    MsgRequestPenEnabled = 772555,   // 0 or not 0

    MsgOpenBoard = 772701,    // boardNet, p1 = contact, p2 = name text
    MsgInviteBoard = 772702,  // boardNet, p1 = contact, p2 = name text
    MsgBoardState = 772703,   // -> 0 not open, 1 open, 2 minimised
    MsgFlashBoard = 772704,   // flash the board's taskbar button
};

// ---- host tables ----------------------------------------------------------
enum : int32_t {
    TableConfig = 0,    // row 0, one column per setting
    TableContacts = 1,  // a row per contact number
    ColContactUid = 0,  // text
    ColContactNet = 1,  // integer
    ValueInt = 0,
    ValueString = 1,
};

// ---- values in the records ------------------------------------------------
enum : int32_t {
    MessageTypeBoard = 12,  // type of a stored board invitation
    SelectAny = -1,         // a MessageSelector word that matches every message
    QueueDoneMark = 1,      // p2 of MsgQueueDone

    // ActionRef: the board item stands under this parent item, and the
    // contact word is this where no contact is meant.
    ActionBoardParent = 1,
    ActionContactUnset = -2,
    ActionCodeActivated = 1,  // ActionNotify.code when the user activated the item

    // The host fields of ColumnDef and ActionInfo, as the host expects
    // them from this plugin (their meaning is the host's; the plugin sets
    // them and reads none). ActionInfo's fields 18, 22, 26, 42 and 54 to 72
    // are left 0.
    ColumnDefHostField = 18,
    ActionInfoHostField14 = -1,
    ActionInfoHostField30 = 863,
    ActionInfoHostField34 = 1,
    ActionInfoHostField38 = -1,
    ActionInfoHostField46 = 0,
};

#pragma pack(push, 1)

struct PluginMessage {
    uint16_t size;  // 30 (44 for a DrawRequest)
    uint32_t id;
    uint32_t reserved1;
    uint32_t reserved2;
    uint32_t reserved3;
    int32_t boardNet;  // the board's net in board messages
    int32_t p1;
    int32_t p2;
};

struct HostValue {
    uint16_t type;  // ValueInt or ValueString
    int32_t value;  // the integer, or a text address
    int32_t bufferSize;
};

struct ColumnDef {
    uint32_t columnId;
    uint32_t valueType;
    int32_t defaultValue;
    uint16_t hostField;  // ColumnDefHostField
    const char* name;
};

// The first 14 bytes of ActionInfo, QueuedMessage's action words and
// ActionNotify.
struct ActionRef {
    int32_t id;
    int32_t parent;
    int32_t contact;
};

struct ActionInfo {
    uint16_t size;  // 74
    ActionRef action;
    int32_t hostField14;
    int32_t hostField18;
    int32_t hostField22;
    int32_t hostField26;
    int32_t hostField30;
    int32_t hostField34;
    int32_t hostField38;
    int32_t hostField42;
    int32_t hostField46;
    const char* text;
    int32_t hostField54;
    int32_t hostField58;
    int32_t hostField62;
    int32_t hostField66;
    uint16_t hostField70;
    uint16_t hostField72;
};

struct DrawRequest {
    uint16_t size;  // at least 44
    uint32_t id;    // MsgDrawLine, MsgDrawEllipse or MsgDrawRectangle
    uint32_t reserved1;
    uint32_t reserved2;
    uint32_t reserved3;
    int32_t boardNet;
    uint8_t padding[2];
    int32_t x1;  // bitmap pixels, whatever the scroll position
    int32_t y1;
    int32_t x2;
    int32_t y2;
    int32_t contact;
};

struct QueuedMessage {
    uint16_t size;      // 58
    int32_t messageId;  // numbered by the host
    int32_t messageNet;
    int32_t type;
    const char* uid1;
    const char* uid2;
    const char* body;
    const char* extra;
    int32_t flags;
    ActionRef action;
    int32_t notify;
    uint8_t reserved[8];
};

struct MessageSelector {
    uint16_t size;      // 26
    int32_t word2;      // -1
    int32_t word6;      // 0
    int32_t type;       // -1 any, or a message type
    int32_t word14;     // 0
    int32_t word18;     // 0
    int32_t messageId;  // -1 any, or one message's number
};

struct ActionNotify {
    uint16_t size;
    ActionRef action;
    int32_t code;
};

#pragma pack(pop)

// Addresses (texts, records, the HostCore) travel in the records' 32-bit
// words: a pointer as a word, and a word as a pointer again.
template <typename T> inline int32_t AddressWord(T* pointer)
{
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(pointer));
}

template <typename T> inline T* WordAddress(int32_t word)
{
    return reinterpret_cast<T*>(static_cast<intptr_t>(word));
}

// A PluginMessage of `id` as every sender fills one in: size 30, the
// reserved words 0.
inline PluginMessage MakePluginMessage(uint32_t id, int32_t p1 = 0, int32_t p2 = 0, int32_t boardNet = 0)
{
    PluginMessage message = {};
    message.size = sizeof message;
    message.id = id;
    message.boardNet = boardNet;
    message.p1 = p1;
    message.p2 = p2;
    return message;
}

// A DrawRequest of `id` (MsgDrawLine, MsgDrawEllipse or MsgDrawRectangle)
// for board (net, contact): the line from (x1, y1) to (x2, y2), or the
// shape in that box, in bitmap pixels.
inline DrawRequest MakeDrawRequest(uint32_t id, int32_t net, int32_t contact, int32_t x1, int32_t y1, int32_t x2,
                                   int32_t y2)
{
    DrawRequest request = {};
    request.size = sizeof request;
    request.id = id;
    request.boardNet = net;
    request.contact = contact;
    request.x1 = x1;
    request.y1 = y1;
    request.x2 = x2;
    request.y2 = y2;
    return request;
}

static_assert(sizeof(PluginMessage) == 30, "PluginMessage size");
static_assert(offsetof(PluginMessage, id) == 2, "PluginMessage.id");
static_assert(offsetof(PluginMessage, reserved1) == 6, "PluginMessage.reserved1");
static_assert(offsetof(PluginMessage, reserved2) == 10, "PluginMessage.reserved2");
static_assert(offsetof(PluginMessage, reserved3) == 14, "PluginMessage.reserved3");
static_assert(offsetof(PluginMessage, boardNet) == 18, "PluginMessage.boardNet");
static_assert(offsetof(PluginMessage, p1) == 22, "PluginMessage.p1");
static_assert(offsetof(PluginMessage, p2) == 26, "PluginMessage.p2");

static_assert(sizeof(HostValue) == 10, "HostValue size");
static_assert(offsetof(HostValue, value) == 2, "HostValue.value");
static_assert(offsetof(HostValue, bufferSize) == 6, "HostValue.bufferSize");

static_assert(sizeof(ColumnDef) == 18, "ColumnDef size");
static_assert(offsetof(ColumnDef, valueType) == 4, "ColumnDef.valueType");
static_assert(offsetof(ColumnDef, defaultValue) == 8, "ColumnDef.defaultValue");
static_assert(offsetof(ColumnDef, hostField) == 12, "ColumnDef.hostField");
static_assert(offsetof(ColumnDef, name) == 14, "ColumnDef.name");

static_assert(sizeof(ActionRef) == 12, "ActionRef size");
static_assert(sizeof(ActionInfo) == 74, "ActionInfo size");
static_assert(offsetof(ActionInfo, action) == 2, "ActionInfo.action");
static_assert(offsetof(ActionInfo, hostField14) == 14, "ActionInfo.14");
static_assert(offsetof(ActionInfo, hostField30) == 30, "ActionInfo.30");
static_assert(offsetof(ActionInfo, hostField46) == 46, "ActionInfo.46");
static_assert(offsetof(ActionInfo, text) == 50, "ActionInfo.text");
static_assert(offsetof(ActionInfo, hostField58) == 58, "ActionInfo.58");
static_assert(offsetof(ActionInfo, hostField70) == 70, "ActionInfo.70");
static_assert(offsetof(ActionInfo, hostField72) == 72, "ActionInfo.72");

static_assert(sizeof(DrawRequest) == 44, "DrawRequest size");
static_assert(offsetof(DrawRequest, boardNet) == 18, "DrawRequest.boardNet");
static_assert(offsetof(DrawRequest, x1) == 24, "DrawRequest.x1");
static_assert(offsetof(DrawRequest, y1) == 28, "DrawRequest.y1");
static_assert(offsetof(DrawRequest, x2) == 32, "DrawRequest.x2");
static_assert(offsetof(DrawRequest, y2) == 36, "DrawRequest.y2");
static_assert(offsetof(DrawRequest, contact) == 40, "DrawRequest.contact");

static_assert(sizeof(QueuedMessage) == 58, "QueuedMessage size");
static_assert(offsetof(QueuedMessage, messageId) == 2, "QueuedMessage.messageId");
static_assert(offsetof(QueuedMessage, messageNet) == 6, "QueuedMessage.messageNet");
static_assert(offsetof(QueuedMessage, type) == 10, "QueuedMessage.type");
static_assert(offsetof(QueuedMessage, uid1) == 14, "QueuedMessage.uid1");
static_assert(offsetof(QueuedMessage, uid2) == 18, "QueuedMessage.uid2");
static_assert(offsetof(QueuedMessage, body) == 22, "QueuedMessage.body");
static_assert(offsetof(QueuedMessage, extra) == 26, "QueuedMessage.extra");
static_assert(offsetof(QueuedMessage, flags) == 30, "QueuedMessage.flags");
static_assert(offsetof(QueuedMessage, action) == 34, "QueuedMessage.action");
static_assert(offsetof(QueuedMessage, notify) == 46, "QueuedMessage.notify");
static_assert(offsetof(QueuedMessage, reserved) == 50, "QueuedMessage.reserved");

static_assert(sizeof(MessageSelector) == 26, "MessageSelector size");
static_assert(offsetof(MessageSelector, type) == 10, "MessageSelector.type");
static_assert(offsetof(MessageSelector, messageId) == 22, "MessageSelector.messageId");

static_assert(sizeof(ActionNotify) == 18, "ActionNotify size");
static_assert(offsetof(ActionNotify, action) == 2, "ActionNotify.action");
static_assert(offsetof(ActionNotify, code) == 14, "ActionNotify.code");

#endif
