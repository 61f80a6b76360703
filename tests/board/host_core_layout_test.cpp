// The host's controller object as the protocol fixes it: the operations sit
// at fixed positions of the table its first word points to, and are called
// with the object as `this`.
#include "plugin_fixture.h"

namespace {

using InstanceFn = HINSTANCE(__thiscall*)(void*);
using ErrorFn = void(__thiscall*)(void*, int);
using MessageFn = int(__thiscall*)(void*, PluginMessage*);
using ValueFn = int(__thiscall*)(void*, int, int, int, HostValue*);
using FreeFn = void(__thiscall*)(void*, void*);

void** Table(HostCore* core)
{
    return *reinterpret_cast<void***>(core);
}

TEST(HostCoreLayout, OperationsSitAtTheirTablePositions)
{
    StandInHost host;
    host.pluginModule = reinterpret_cast<HINSTANCE>(0x12340000);
    host.contacts[5] = Contact {"uid5", 77};
    HostCore* core = &host;
    void** table = Table(core);

    EXPECT_EQ(host.pluginModule, reinterpret_cast<InstanceFn>(table[3])(core));

    reinterpret_cast<ErrorFn>(table[5])(core, 1);
    ASSERT_EQ(1u, host.CallsOf(HostCall::Error).size());
    EXPECT_EQ(1, host.CallsOf(HostCall::Error)[0].code);

    PluginMessage message = MakePluginMessage(4242);
    reinterpret_cast<MessageFn>(table[7])(core, &message);
    EXPECT_EQ(1u, host.CallsOf(HostCall::Message, 4242).size());

    HostValue value = {};
    value.type = ValueInt;
    value.value = 31;
    reinterpret_cast<ValueFn>(table[22])(core, TableConfig, 0, ColBoardX, &value);
    HostValue read = {};
    reinterpret_cast<ValueFn>(table[21])(core, TableContacts, 5, ColContactNet, &read);
    EXPECT_EQ(77, read.value);
    EXPECT_EQ(31, host.config[ColBoardX]);

    HostValue text = {};
    text.type = ValueString;
    text.bufferSize = -1;
    reinterpret_cast<ValueFn>(table[21])(core, TableContacts, 5, ColContactUid, &text);
    EXPECT_STREQ("uid5", WordAddress<const char>(text.value));
    EXPECT_EQ(1u, host.OutstandingTexts());
    reinterpret_cast<FreeFn>(table[27])(core, WordAddress<void>(text.value));
    EXPECT_EQ(0u, host.OutstandingTexts());
}

}  // namespace
