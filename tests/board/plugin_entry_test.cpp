// The plugin's entry point seen from the host: the dispatch table, identity
// replies, settings columns and user-interface item.
#include "plugin_fixture.h"

#include <cstring>

namespace {

class BeforeInitTest : public PluginTest {
protected:
    bool StartsPlugin() const override { return false; }
};

TEST_F(BeforeInitTest, UnlistedIdCallsNothingBeforeInit)
{
    EXPECT_EQ(0, Send(772505));
    EXPECT_EQ(0, Send(12345));
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(BeforeInitTest, HostTalkingHandlersNeedInit)
{
    EXPECT_EQ(1, Send(MsgSetColumns));
    EXPECT_EQ(1, Send(MsgUiPrepare));
    EXPECT_EQ(1, Send(MsgUiStart));
    EXPECT_EQ(1, Send(MsgUiEnd));
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(BeforeInitTest, InitStoresTheHostAndAnswersOne)
{
    EXPECT_EQ(1, Send(MsgInit, AddressWord(static_cast<HostCore*>(&host)), 99));
    EXPECT_EQ(0, Send(772700));
    ASSERT_EQ(1u, host.CallsOf(HostCall::Error).size());
    EXPECT_EQ(1, host.CallsOf(HostCall::Error)[0].code);
}

TEST_F(BeforeInitTest, ShortRecordsAreNotReadPastTheirEnd)
{
    // A record cut after its id: MsgInit must not take a HostCore from
    // bytes beyond it, so a later unlisted id still calls nothing.
    struct {
        PluginMessage message;
        uint8_t guard[8];
    } buffer;
    std::memset(&buffer, 0xCC, sizeof buffer);
    buffer.message.size = 6;
    buffer.message.id = MsgInit;
    EXPECT_EQ(1, plugin->SendRecord(&buffer.message));
    EXPECT_EQ(0, Send(772505));
    EXPECT_TRUE(host.calls.empty());

    buffer.message.size = 4;  // not even an id
    buffer.message.id = MsgGetNet;
    EXPECT_EQ(0, plugin->SendRecord(&buffer.message));
}

TEST_F(PluginTest, LifecycleAndFixedReplies)
{
    host.calls.clear();
    EXPECT_EQ(1, Send(20002));
    EXPECT_EQ(2, Send(20020));
    EXPECT_EQ(0, Send(20021));
    EXPECT_EQ(772, Send(MsgGetNet));
    EXPECT_EQ(24, Send(30011));
    EXPECT_EQ(0, Send(30015));
    EXPECT_EQ(0, Send(30017));
    // None of the listed ids is an error.
    EXPECT_TRUE(host.CallsOf(HostCall::Error).empty());
}

TEST_F(PluginTest, IdentityTextsKeepTheirAddresses)
{
    struct {
        uint32_t id;
        const char* text;
    } const expected[] = {
        {MsgGetVersion, "0.1.0"},
        {MsgGetSignature, "O.BOARD"},
        {30014, "W98"},
        {MsgGetName, "Orvane Board"},
    };
    for (const auto& e : expected) {
        intptr_t first = Send(e.id);
        ASSERT_NE(0, first) << e.id;
        EXPECT_STREQ(e.text, reinterpret_cast<const char*>(first)) << e.id;
        EXPECT_EQ(first, Send(e.id)) << e.id;
        EXPECT_EQ(first, Send(e.id)) << e.id;
    }
    EXPECT_TRUE(host.CallsOf(HostCall::Error).empty());
}

TEST_F(PluginTest, UnlistedIdsSetErrorOne)
{
    host.calls.clear();
    for (uint32_t id : {772505u, 772700u, 772550u, 772556u, 772600u, 772705u, 30018u, 0u, 22201u}) {
        EXPECT_EQ(0, Send(id)) << id;
    }
    auto errors = host.CallsOf(HostCall::Error);
    ASSERT_EQ(9u, errors.size());
    for (const HostCall& e : errors)
        EXPECT_EQ(1, e.code);
}

TEST_F(PluginTest, BoardIdsAnswerZeroWithoutError)
{
    host.calls.clear();
    for (uint32_t id : {772502u, 772503u, 772504u, 772551u, 772552u, 772553u, 772554u, 772555u, 772703u, 772704u})
        EXPECT_EQ(0, Send(id, 5, 0, 1)) << id;
    EXPECT_EQ(0, Send(MsgAction, 0));
    EXPECT_TRUE(host.CallsOf(HostCall::Error).empty());
}

TEST_F(PluginTest, ColumnDefinitionsInOrder)
{
    auto columns = host.CallsOf(HostCall::Message, MsgSetColumn);
    ASSERT_EQ(4u, columns.size());
    const uint32_t ids[] = {772123, 772124, 772121, 772122};
    const uint32_t defaults[] = {400, 300, 0x80000000u, 0x80000000u};
    for (size_t i = 0; i < 4; ++i) {
        const HostCall& call = columns[i];
        EXPECT_EQ(30, call.message.size);
        EXPECT_EQ(0, call.message.p2);
        ASSERT_EQ(18u, call.record.size());
        uint8_t expected[18];
        std::memcpy(expected + 0, &ids[i], 4);
        std::memset(expected + 4, 0, 4);
        std::memcpy(expected + 8, &defaults[i], 4);
        expected[12] = 18;
        expected[13] = 0;
        // The last word is the address of an empty text.
        std::memcpy(expected + 14, call.record.data() + 14, 4);
        EXPECT_EQ(0, std::memcmp(expected, call.record.data(), 18)) << "column " << i;
        EXPECT_EQ("", call.text);
        EXPECT_NE(0, *reinterpret_cast<const int32_t*>(call.record.data() + 14));
    }
    // The host made integer columns with those defaults.
    EXPECT_EQ(400, host.config[ColBoardWidth]);
    EXPECT_EQ(300, host.config[ColBoardHeight]);
    EXPECT_EQ(static_cast<int32_t>(0x80000000u), host.config[ColBoardX]);
}

TEST_F(PluginTest, UserInterfaceItemIconThenAction)
{
    std::vector<HostCall> messages;
    for (const HostCall& call : host.CallsOf(HostCall::Message))
        if (call.message.id == MsgActionIcon || call.message.id == MsgAddAction)
            messages.push_back(call);
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ(static_cast<uint32_t>(MsgActionIcon), messages[0].message.id);
    EXPECT_EQ(772001, messages[0].message.p1);
    EXPECT_EQ(101, messages[0].message.p2);

    const HostCall& add = messages[1];
    EXPECT_EQ(static_cast<uint32_t>(MsgAddAction), add.message.id);
    EXPECT_EQ(0, add.message.p2);
    ASSERT_EQ(74u, add.record.size());
    const uint8_t* r = add.record.data();
    auto word = [r](int offset) {
        int32_t v;
        std::memcpy(&v, r + offset, 4);
        return v;
    };
    auto half = [r](int offset) { return r[offset] | (r[offset + 1] << 8); };
    EXPECT_EQ(74, half(0));
    EXPECT_EQ(772001, word(2));
    EXPECT_EQ(1, word(6));
    EXPECT_EQ(-2, word(10));
    EXPECT_EQ(-1, word(14));
    EXPECT_EQ(863, word(30));
    EXPECT_EQ(1, word(34));
    EXPECT_EQ(-1, word(38));
    EXPECT_EQ(0, word(46));
    EXPECT_EQ("O.Board", add.text);
    EXPECT_EQ(0, word(58));
    EXPECT_EQ(0, word(62));
    EXPECT_EQ(0, word(66));
    EXPECT_EQ(0, half(70));
    EXPECT_EQ(0, half(72));
}

TEST_F(PluginTest, UiStartRegistersTheThreeClassesWithTheHostInstance)
{
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    for (const char* name : {BoardFrameClassName, CanvasClassName, SizePickerClassName})
        EXPECT_TRUE(GetClassInfoExA(plugin->Module(), name, &info)) << name;
    // Asked anew for each registration.
    EXPECT_GE(host.CallsOf(HostCall::Instance).size(), 3u);
}

// The width of an icon's colour (or mask) bitmap; 0 for no icon.
int IconWidth(HICON icon)
{
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info))
        return 0;
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

TEST_F(PluginTest, WindowClassesCarryTheirAttributes)
{
    struct Expected {
        const char* name;
        LPCSTR cursor;
        HBRUSH background;
        bool icons;
    };
    const Expected classes[] = {
        {BoardFrameClassName, IDC_ARROW, nullptr, true},
        {CanvasClassName, IDC_CROSS, nullptr, false},
        {SizePickerClassName, IDC_ARROW, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), false},
    };
    for (const Expected& expected : classes) {
        WNDCLASSEXA info = {};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetClassInfoExA(plugin->Module(), expected.name, &info)) << expected.name;
        EXPECT_EQ(static_cast<UINT>(CS_HREDRAW | CS_VREDRAW), info.style) << expected.name;
        EXPECT_EQ(0, info.cbClsExtra) << expected.name;
        EXPECT_EQ(0, info.cbWndExtra) << expected.name;
        EXPECT_EQ(LoadCursorA(nullptr, expected.cursor), info.hCursor) << expected.name;
        EXPECT_EQ(expected.background, info.hbrBackground) << expected.name;
        EXPECT_EQ(nullptr, info.lpszMenuName) << expected.name;
        if (expected.icons) {
            // Icon group 101 at its two sizes.
            EXPECT_EQ(32, IconWidth(info.hIcon)) << expected.name;
            EXPECT_EQ(16, IconWidth(info.hIconSm)) << expected.name;
        } else {
            EXPECT_EQ(nullptr, info.hIcon) << expected.name;
            EXPECT_EQ(nullptr, info.hIconSm) << expected.name;
        }
    }
}

TEST_F(PluginTest, LifecycleMessagesAnswerOneWhateverTheHostSays)
{
    EXPECT_EQ(1, Send(MsgSetColumns));
    EXPECT_EQ(1, Send(MsgUiPrepare));
}

}  // namespace
