// Globals, objects and protected calls as the module's callbacks use them.
#include "binding_fixture.h"

using LuaPlus::LuaCall;
using LuaPlus::LuaObject;
using LuaPlus::LuaStackObject;

namespace {

// The call sequence of a callback: look up, note the height, push the
// arguments, call for one result, read it as a boolean, pop back.
bool CallForBoolean(LuaPlus::LuaState* on, const char* name, double a, const char* text)
{
    LuaObject function = on->GetGlobal(name);
    if (!function.IsFunction())
        return false;
    int height = on->GetTop();
    LuaCall call = function();
    call << a << text;
    bool answer = false;
    if (on->PCall(call.ArgumentCount(), 1) == 0) {
        LuaObject result = LuaStackObject(on, on->GetTop());
        answer = result.IsBoolean() && result.GetBoolean();
    }
    if (on->GetTop() > height)
        on->Pop(on->GetTop() - height);
    return answer;
}

}  // namespace

TEST_F(BindingTest, GlobalsAndTypes)
{
    ASSERT_EQ(Run("f = function() end; t = setmetatable({}, {__call = f}); n = 4; s = 'x'; b = false"), "");
    EXPECT_TRUE(state->GetGlobal("f").IsFunction());
    EXPECT_TRUE(state->GetGlobal("print").IsFunction());
    EXPECT_FALSE(state->GetGlobal("t").IsFunction());  // callable, but no function
    EXPECT_FALSE(state->GetGlobal("n").IsFunction());
    EXPECT_TRUE(state->GetGlobal("missing").IsNil());
    EXPECT_TRUE(state->GetGlobal("b").IsBoolean());
    EXPECT_FALSE(state->GetGlobal("b").GetBoolean());
    EXPECT_STREQ(state->GetGlobal("s").GetString(), "x");
    EXPECT_EQ(state->GetGlobals().GetByName("n").GetInteger(), 4);
    EXPECT_EQ(state->GetTop(), 0);
}

TEST_F(BindingTest, ProtectedCallAnswersAndRestoresTheStack)
{
    ASSERT_EQ(Run("function yes(a, t) seen = t .. a; return true end\n"
                  "function number() return 1 end\n"
                  "function fails() error('no') end"),
              "");
    state->PushString("below");
    EXPECT_TRUE(CallForBoolean(state, "yes", 5, "at "));
    EXPECT_STREQ(state->GetGlobal("seen").GetString(), "at 5");
    EXPECT_FALSE(CallForBoolean(state, "number", 0, ""));  // not a boolean
    EXPECT_FALSE(CallForBoolean(state, "fails", 0, ""));   // error caught
    EXPECT_FALSE(CallForBoolean(state, "missing", 0, ""));
    ASSERT_EQ(state->GetTop(), 1);
    EXPECT_STREQ(state->Stack(1).GetString(), "below");
}

TEST_F(BindingTest, ObjectsOutliveTheStackAndCopy)
{
    ASSERT_EQ(Run("value = {answer = 42}"), "");
    LuaObject table = state->GetGlobal("value");
    ASSERT_EQ(Run("value = nil; collectgarbage('collect')"), "");
    LuaObject copy = table;
    EXPECT_EQ(copy.GetByName("answer").GetInteger(), 42);
    table.SetNumber("answer", 43);
    EXPECT_EQ(copy.GetByName("answer").GetInteger(), 43);
    LuaObject created = state->CreateTable();
    created.SetString(1, "one");
    state->GetGlobals().SetObject("made", created);
    ASSERT_EQ(Run("assert(made[1] == 'one')"), "");
}
