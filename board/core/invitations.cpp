// Inviting a contact to a board through the host's message store, and
// opening the board when the contact accepts.
#include "board_messages.h"

#include <cstdio>
#include <cstring>

#include "board_registry.h"
#include "host_interface.h"

namespace {

const int InvitationTextSize = 300;
const int NameWordSize = 256;
const int32_t InvitationFlags = 8;

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
    message.action.contact = -2;
}

MessageSelector Selector(int32_t type, int32_t messageId)
{
    MessageSelector selector;
    std::memset(&selector, 0, sizeof selector);
    selector.size = sizeof selector;
    selector.word2 = -1;
    selector.type = type;
    selector.messageId = messageId;
    return selector;
}

const char* NameText(int32_t word)
{
    const char* name = reinterpret_cast<const char*>(static_cast<intptr_t>(word));
    return name ? name : "";
}

}  // namespace

int HandleInviteBoard(const PluginMessage* message)
{
    if (!TheHostCore)
        return 0;
    const int32_t contact = message->p1;
    char* uid = GetContactString(contact, ColContactUid);

    // A name too long for the text is cut: the receiver reads one word of it
    // anyway, and the invitation still names the right board.
    char body[InvitationTextSize];
    std::snprintf(body, sizeof body, "%d %d %s", static_cast<int>(message->boardNet), static_cast<int>(contact),
                  NameText(message->p2));

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
    invitation.action.parent = 1;
    invitation.action.contact = contact;
    invitation.notify = ActionBoard;

    const int number = SendHostMessage(MsgQueueAdd, AddressWord(&invitation), 0);
    MessageSelector justAdded = Selector(-1, number);
    SendHostMessage(MsgQueueProcess, AddressWord(&justAdded), 0);
    HostFreeText(uid);
    return 0;
}

int HandleAction(const PluginMessage* message)
{
    auto notify = reinterpret_cast<const ActionNotify*>(static_cast<intptr_t>(message->p1));
    if (!TheHostCore || !notify || notify->size < sizeof(ActionNotify))
        return 0;
    if (notify->action.id != static_cast<int32_t>(ActionBoard) || notify->code != 1)
        return 0;

    QueuedMessage invitation;
    FillDefaults(invitation);
    invitation.body = UnfetchedBody;
    MessageSelector anyInvitation = Selector(MessageTypeBoard, -1);
    SendHostMessage(MsgQueueGet, AddressWord(&anyInvitation), AddressWord(&invitation));
    // Nothing was fetched: there is nothing to open and nothing to mark done.
    if (invitation.body == UnfetchedBody || !invitation.body)
        return 0;

    int net = 0, contact = 0;
    char name[NameWordSize] = {};
    if (std::sscanf(invitation.body, "%d %d %255s", &net, &contact, name) == 3)
        OpenBoard(net, contact, name);

    // Marked done even when the text does not parse, so a malformed
    // invitation is not fetched again on every activation.
    MessageSelector fetched = Selector(-1, invitation.messageId);
    SendHostMessage(MsgQueueDone, AddressWord(&fetched), 1);
    return 0;
}
