// Inviting a contact to a board through the host's message store, and
// opening the board when the contact accepts.
#include "core/board_messages.h"

#include <cstdio>
#include <cstring>

#include "common/host_interface.h"
#include "common/kept_quirks.h"
#include "core/board_opening.h"

// The longest name word read back from an invitation; its reading pattern
// needs the number as text.
#define NAME_WORD_LENGTH 255
#define TEXT_OF(x) #x
#define DIGITS_OF(x) TEXT_OF(x)

namespace {

const int InvitationTextSize = 300;
// Net, contact and the first word of the name.
const char InvitationPattern[] = "%d %d %" DIGITS_OF(NAME_WORD_LENGTH) "s";

// The empty body of a record that is handed to MsgQueueGet. Only this
// plugin holds its address, so a body still pointing at it after the call
// means the host found no invitation to copy.
const char UnfetchedBody[1] = "";

void FillDefaults(QueuedMessage& message)
{
    std::memset(&message, 0, sizeof message);
    message.size = sizeof message;
    message.uid1 = "";
    message.uid2 = "";
    message.body = "";
    message.extra = "";
    message.action.contact = ActionContactUnset;
}

MessageSelector Selector(int32_t type, int32_t messageId)
{
    MessageSelector selector;
    std::memset(&selector, 0, sizeof selector);
    selector.size = sizeof selector;
    selector.word2 = SelectAny;
    selector.type = type;
    selector.messageId = messageId;
    return selector;
}

const char* NameText(int32_t word)
{
    const char* name = WordAddress<const char>(word);
    return name ? name : "";
}

// The length of `text`, reading no more than `limit` bytes of it: a name
// without a terminator in readable memory is read only as far as the
// invitation can hold it.
size_t BoundedLength(const char* text, size_t limit)
{
    size_t length = 0;
    while (length < limit && text[length])
        ++length;
    return length;
}

// "%d %d %s" of the board and its name, cut to the text's buffer.
void BuildInvitationText(char (&body)[InvitationTextSize], int32_t net, int32_t contact, const char* name)
{
    const int numbers = std::snprintf(body, sizeof body, "%d %d ", static_cast<int>(net), static_cast<int>(contact));
    const size_t used = static_cast<size_t>(numbers);
    const size_t room = sizeof body - 1 - used;
    const size_t length = BoundedLength(name, room);
    std::memcpy(body + used, name, length);
    body[used + length] = 0;
}

}  // namespace

int HandleInviteBoard(const PluginMessage* message)
{
    if (!ActiveHost())
        return 0;
    const int32_t contact = message->p1;
    char* uid = GetContactString(contact, ColContactUid);

    // A name too long for the text is cut: the receiver reads one word of it
    // anyway, and the invitation still names the right board.
    char body[InvitationTextSize];
    BuildInvitationText(body, message->boardNet, contact, NameText(message->p2));

    QueuedMessage invitation;
    FillDefaults(invitation);
    invitation.messageNet = GetContactInt(contact, ColContactNet);
    invitation.type = MessageTypeBoard;
    invitation.uid1 = uid ? uid : "";
    invitation.uid2 = uid ? uid : "";
    invitation.body = body;
    invitation.extra = "";
    invitation.flags = InvitationFlags;
    invitation.action.id = ActionBoard;
    invitation.action.parent = ActionBoardParent;
    invitation.action.contact = contact;
    invitation.notify = ActionBoard;

    const int number = SendHostMessage(MsgQueueAdd, AddressWord(&invitation), 0);
    // A negative number says nothing was stored; handed on, -1 would select
    // every queued message for sending.
    if (number >= 0) {
        MessageSelector justAdded = Selector(SelectAny, number);
        SendHostMessage(MsgQueueProcess, AddressWord(&justAdded), 0);
    }
    HostFreeText(uid);
    return 0;
}

int HandleAction(const PluginMessage* message)
{
    // Only the item's id and the code are read; hosts do not all fill in
    // the record's size, so it is not looked at.
    auto notify = WordAddress<const ActionNotify>(message->p1);
    if (!ActiveHost() || !notify)
        return 0;
    if (notify->action.id != static_cast<int32_t>(ActionBoard) || notify->code != ActionCodeActivated)
        return 0;

    QueuedMessage invitation;
    FillDefaults(invitation);
    invitation.body = UnfetchedBody;
    MessageSelector anyInvitation = Selector(MessageTypeBoard, SelectAny);
    SendHostMessage(MsgQueueGet, AddressWord(&anyInvitation), AddressWord(&invitation));
    // Nothing was fetched: there is nothing to open and nothing to mark done.
    if (invitation.body == UnfetchedBody || !invitation.body)
        return 0;

    // An invitation to a board with the empty name carries no name word:
    // the two numbers are enough to open it.
    int net = 0, contact = 0;
    char name[NAME_WORD_LENGTH + 1] = {};
    if (std::sscanf(invitation.body, InvitationPattern, &net, &contact, name) >= 2)
        OpenBoard(net, contact, name);

    // Marked done even when the text does not parse, so a malformed
    // invitation is not fetched again on every activation.
    MessageSelector fetched = Selector(SelectAny, invitation.messageId);
    SendHostMessage(MsgQueueDone, AddressWord(&fetched), QueueDoneMark);
    return 0;
}
