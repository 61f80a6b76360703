#include "message_store.h"

#include <cstring>

namespace {

std::string Copy(const char* text)
{
    return text ? text : "";
}

}  // namespace

bool MessageStore::Matches(const MessageSelector& selector, int number, const StoredMessage& message)
{
    return (selector.type == -1 || selector.type == message.record.type) &&
        (selector.messageId == -1 || selector.messageId == number);
}

int MessageStore::Add(const QueuedMessage& message)
{
    const int number = nextNumber_++;
    StoredMessage& stored = messages_[number];
    std::memcpy(&stored.record, &message, sizeof stored.record);
    stored.record.messageId = number;
    stored.uid1 = Copy(message.uid1);
    stored.uid2 = Copy(message.uid2);
    stored.body = Copy(message.body);
    stored.extra = Copy(message.extra);
    stored.record.uid1 = stored.uid1.c_str();
    stored.record.uid2 = stored.uid2.c_str();
    stored.record.body = stored.body.c_str();
    stored.record.extra = stored.extra.c_str();
    return number;
}

int MessageStore::Process(const MessageSelector& selector)
{
    int count = 0;
    for (auto& entry : messages_)
        if (entry.second.state == StoredMessage::Stored && Matches(selector, entry.first, entry.second)) {
            entry.second.state = StoredMessage::Sent;
            ++count;
        }
    return count;
}

int MessageStore::Get(const MessageSelector& selector, QueuedMessage* out)
{
    for (auto& entry : messages_)
        if (entry.second.state == StoredMessage::Received && Matches(selector, entry.first, entry.second)) {
            std::memcpy(out, &entry.second.record, sizeof *out);
            return 1;
        }
    return 0;
}

int MessageStore::Done(const MessageSelector& selector)
{
    int count = 0;
    for (auto it = messages_.begin(); it != messages_.end();)
        if (Matches(selector, it->first, it->second)) {
            it = messages_.erase(it);
            ++count;
        } else {
            ++it;
        }
    return count;
}

int MessageStore::Receive(int32_t type, const char* body)
{
    QueuedMessage message = {};
    message.size = sizeof message;
    message.type = type;
    message.body = body;
    MessageSelector justAdded = {};
    justAdded.type = SelectAny;
    justAdded.messageId = Add(message);
    Process(justAdded);
    Deliver();
    return justAdded.messageId;
}

int MessageStore::Deliver()
{
    int count = 0;
    for (auto& entry : messages_)
        if (entry.second.state == StoredMessage::Sent) {
            entry.second.state = StoredMessage::Received;
            ++count;
        }
    return count;
}
