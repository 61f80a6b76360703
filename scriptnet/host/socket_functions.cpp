// The socket script functions: each reads its arguments, calls the socket
// operation and pushes its one result.
#include "common/kept_quirks.h"
#include "host/script_arguments.h"
#include "host/script_functions.h"
#include "sockets/socket_operations.h"

int tCreate(LuaState* state, LuaStackObject* args)
{
    if (!args[1].IsNumber() || !args[2].IsNumber())
        return NumberResult(state, FailedNumber);
    bool datagram = TruncateNumber(args[1].GetNumber()) != 0;
    return NumberResult(state, CreateSlotSocket(datagram, PortArgument(args[2]), state->GetMainState()));
}

int tClose(LuaState* state, LuaStackObject* args)
{
    CloseSlot(HandleArgument(args[1]));
    return NumberResult(state, CloseAnswer);
}

int tConnect(LuaState* state, LuaStackObject* args)
{
    int handle = HandleArgument(args[1]);
    const char* host = TextArgument(args[2]);
    if (host == nullptr || !args[3].IsNumber())
        return NumberResult(state, FailedNumber);
    return OutcomeResult(state, ConnectSlot(handle, host, PortArgument(args[3])));
}

int tListen(LuaState* state, LuaStackObject* args)
{
    return OutcomeResult(state, ListenOnSlot(HandleArgument(args[1])));
}

int tAccept(LuaState* state, LuaStackObject* args)
{
    int timeout = 0;
    if (!IntegerArgument(args[2], &timeout))
        return NumberResult(state, FailedNumber);
    return OutcomeResult(state, AcceptOnSlot(HandleArgument(args[1]), timeout));
}

int tWait(LuaState* state, LuaStackObject* args)
{
    int timeout = 0;
    if (!IntegerArgument(args[2], &timeout))
        return NumberResult(state, FailedNumber);
    return OutcomeResult(state, WaitOnSlot(HandleArgument(args[1]), timeout));
}

int tRecv(LuaState* state, LuaStackObject* args)
{
    int size = 0;
    char buffer[LargestReceive + 1];
    if (!IntegerArgument(args[2], &size) || ReceiveOnSlot(HandleArgument(args[1]), size, buffer) == 0)
        return TextResult(state, FailedText);
    return TextResult(state, buffer);  // the text ends at its first zero byte
}

int tSend(LuaState* state, LuaStackObject* args)
{
    int length = 0;
    const char* text = TextArgument(args[2], &length);
    if (text == nullptr)
        return NumberResult(state, FailedNumber);
    return NumberResult(state, SendOnSlot(HandleArgument(args[1]), text, length));
}

int tSendTo(LuaState* state, LuaStackObject* args)
{
    int length = 0;
    const char* data = TextArgument(args[2], &length);
    const char* address = TextArgument(args[3]);
    if (data == nullptr || address == nullptr || !args[4].IsNumber())
        return NumberResult(state, FailedNumber);
    return NumberResult(state, SendToFromSlot(HandleArgument(args[1]), data, length, address, PortArgument(args[4])));
}

int tSetCallback(LuaState* state, LuaStackObject* args)
{
    return OutcomeResult(state,
                         ServeSlot(HandleArgument(args[1]), TextArgument(args[2]), state, state->GetMainState()));
}

int tGetError(LuaState* state, LuaStackObject* args)
{
    return NumberResult(state, SlotLastError(HandleArgument(args[1])));
}

int tClean(LuaState*, LuaStackObject*)
{
    CloseAllSlots();
    return 0;
}

int tGetCount(LuaState* state, LuaStackObject*)
{
    return NumberResult(state, CountOpenSlots());
}
