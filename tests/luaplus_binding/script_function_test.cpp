// Script functions as scripts call them: the argument array of each call,
// also in nested calls and on other Lua threads, and functions of the
// runtime's own shape.
#include <string>

#include "binding_fixture.h"

using LuaPlus::LuaCall;
using LuaPlus::LuaObject;
using LuaPlus::LuaStackObject;
using LuaPlus::LuaState;

namespace {

// One argument as text: its integer, its text, or the name of its type.
std::string Describe(const LuaStackObject& argument)
{
    if (argument.IsNumber())
        return std::to_string(argument.GetInteger());
    if (argument.IsString())
        return argument.GetString();
    return argument.IsNone() ? "none" : argument.IsNil() ? "nil" : "other";
}

// Answers its arguments from 1 to the last as "a b c", or "wrong object"
// when an entry of the array does not name its own slot of this state.
int DescribeAll(LuaState* state, LuaStackObject* args)
{
    std::string text;
    for (int i = 1; i <= state->GetTop(); ++i) {
        if (args[i].GetState() != state || args[i].GetIndex() != i) {
            state->PushString("wrong object");
            return 1;
        }
        text += (i > 1 ? " " : "") + Describe(args[i]);
    }
    state->PushString(text.c_str());
    return 1;
}

// Reads its first three arguments, calls the script's `inner` (which calls
// script functions itself) and reads them again; answers both readings.
int Outer(LuaState* state, LuaStackObject* args)
{
    const std::string before = Describe(args[1]) + " " + Describe(args[2]) + " " + Describe(args[3]);
    LuaCall call = state->GetGlobal("inner")();
    call << 7 << "eight";
    if (call.PCall(1) != 0)
        return 0;
    const std::string inner = Describe(state->Stack(-1));
    state->Pop(1);
    const std::string after = Describe(args[1]) + " " + Describe(args[2]) + " " + Describe(args[3]);
    state->PushString((before + " | " + inner + " | " + after).c_str());
    return 1;
}

// The runtime's own shape: the sum of its numeric arguments.
int Sum(lua_State* L)
{
    LuaState* state = LuaState::CastState(L);
    double sum = 0;
    for (int i = 1; i <= state->GetTop(); ++i)
        sum += state->Stack(i).GetDouble();
    state->PushNumber(sum);
    return 1;
}

}  // namespace

TEST_F(BindingTest, EveryArgumentCountReachesItsLastArgument)
{
    state->GetGlobals().Register("describe", DescribeAll);
    ASSERT_EQ(Run("function numbers(n) local t = {} for i = 1, n do t[i] = i end return unpack(t) end\n"
                  "few, fifteen, sixteen, many = describe(), describe(numbers(15)), describe(numbers(16)),\n"
                  "  describe(numbers(40))"),
              "");
    EXPECT_STREQ(state->GetGlobal("few").GetString(), "");
    EXPECT_STREQ(state->GetGlobal("fifteen").GetString(), "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15");
    EXPECT_STREQ(state->GetGlobal("sixteen").GetString(), "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16");
    const char* many = state->GetGlobal("many").GetString();
    ASSERT_NE(many, nullptr);
    EXPECT_EQ(std::string(many).substr(std::string(many).rfind(' ') + 1), "40");
}

TEST_F(BindingTest, ANestedCallLeavesTheOuterCallsArgumentsAsTheyWere)
{
    state->GetGlobals().Register("outer", Outer);
    state->GetGlobals().Register("describe", DescribeAll);
    ASSERT_EQ(Run("function inner(a, b) return describe(a, b, nil, 'x') end\n"
                  "seen = outer(1, 'one')"),
              "");
    EXPECT_STREQ(state->GetGlobal("seen").GetString(), "1 one none | 7 eight nil x | 1 one none");
}

TEST_F(BindingTest, ArgumentsOfACallOnACoroutineNameTheCoroutinesSlots)
{
    state->GetGlobals().Register("describe", DescribeAll);
    ASSERT_EQ(Run("seen = coroutine.wrap(function(a) return describe(a, 'b', 3.5) end)('a')"), "");
    EXPECT_STREQ(state->GetGlobal("seen").GetString(), "a b 3");
}

TEST_F(BindingTest, AFunctionOfTheRuntimesShapeIsCalledWithTheScriptsArguments)
{
    state->GetGlobals().RegisterCFunction("sum", Sum);
    ASSERT_EQ(Run("kind, total = type(sum), sum(1, 2, 3.5)"), "");
    EXPECT_STREQ(state->GetGlobal("kind").GetString(), "function");
    EXPECT_EQ(state->GetGlobal("total").GetNumber(), 6.5);
}
