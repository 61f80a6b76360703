// The host's store of messages to and from contacts, as plugins see it:
// MsgQueueAdd stores a copy, MsgQueueProcess sends it, MsgQueueGet copies a
// received one out, MsgQueueDone removes it. One stand-in host plays both
// sides of a conversation: Deliver() turns what was sent into what was
// received.
#ifndef ORVANE_MESSAGE_STORE_H
#define ORVANE_MESSAGE_STORE_H

#include "oboard/plugin_messages.h"

#include <map>
#include <string>
#include <vector>

struct StoredMessage {
    QueuedMessage record = {};  // texts point into the strings below
    std::string uid1, uid2, body, extra;
    enum State { Stored, Sent, Received } state = Stored;
};

class MessageStore {
public:
    // Copies the message and its texts; returns the new message's number.
    int Add(const QueuedMessage& message);
    // Sends the stored messages the selector names; how many.
    int Process(const MessageSelector& selector);
    // Copies the first received message the selector names into `out`; its
    // texts stay valid until the message is done. 1 when one was found.
    int Get(const MessageSelector& selector, QueuedMessage* out);
    // Removes the messages the selector names; how many.
    int Done(const MessageSelector& selector);
    // Every sent message arrives at the receiving side; how many.
    int Deliver();
    // A message of `type` with `body` from a contact: stored and sent, and
    // what was sent arrives (Add, Process of it, Deliver). Its number.
    int Receive(int32_t type, const char* body);

    const std::map<int, StoredMessage>& Messages() const { return messages_; }

private:
    static bool Matches(const MessageSelector& selector, int number, const StoredMessage& message);

    std::map<int, StoredMessage> messages_;
    int nextNumber_ = 1;
};

#endif
