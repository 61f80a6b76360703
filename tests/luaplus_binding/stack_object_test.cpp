// Script functions: the argument array and the typed reads of arguments.
#include <cmath>
#include <string>
#include <vector>

#include "binding_fixture.h"

using LuaPlus::LuaStackObject;
using LuaPlus::LuaState;

namespace {

struct SeenArgument {
    int type;
    bool isNumber;
    bool isString;
    int integer;
    float number;
    std::string text;
    bool hasText;
};

std::vector<SeenArgument> seen;
int seenTop = 0;

// Records arguments 1 to 6 of each call and answers their count and "done".
int Record(LuaState* state, LuaStackObject* args)
{
    seen.clear();
    seenTop = state->GetTop();
    for (int i = 1; i <= 6; ++i) {
        SeenArgument argument;
        argument.type = args[i].GetType();
        argument.isNumber = args[i].IsNumber();
        argument.isString = args[i].IsString();
        argument.integer = args[i].GetInteger();
        argument.number = args[i].GetNumber();
        argument.hasText = args[i].IsString();
        if (argument.hasText)
            argument.text.assign(args[i].GetString(), args[i].GetStringLength());
        EXPECT_EQ(args[i].GetIndex(), i);
        seen.push_back(argument);
    }
    state->PushNumber(seenTop);
    state->PushString("done");
    return 2;
}

}  // namespace

TEST_F(BindingTest, ArgumentArrayIndexesFromOneAndResultsReachTheScript)
{
    state->GetGlobals().Register("record", Record);
    ASSERT_EQ(Run("n, word = record(2.9, '5', 7, nil, true)"), "");
    EXPECT_EQ(seenTop, 5);
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_TRUE(seen[0].isNumber);
    EXPECT_EQ(seen[0].integer, 2);   // fraction dropped, not rounded
    EXPECT_FALSE(seen[1].isNumber);  // a numeric string is not a number
    EXPECT_TRUE(seen[1].isString);
    EXPECT_EQ(seen[1].text, "5");
    EXPECT_FALSE(seen[2].isString);  // a number is not text
    EXPECT_EQ(seen[2].integer, 7);
    EXPECT_EQ(seen[3].type, LuaPlus::TypeNil);
    EXPECT_EQ(seen[4].type, LuaPlus::TypeBoolean);
    EXPECT_EQ(seen[5].type, LuaPlus::TypeNone);  // past the last argument
    EXPECT_EQ(state->GetGlobal("n").GetInteger(), 5);
    EXPECT_STREQ(state->GetGlobal("word").GetString(), "done");
}

TEST_F(BindingTest, NumbersConvertAsStated)
{
    state->GetGlobals().Register("record", Record);
    ASSERT_EQ(Run("record(-2.9, 0.1, 1e300, -1e300, 0/0, 65537.7)"), "");
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0].integer, -2);
    EXPECT_EQ(seen[1].number, 0.1f);  // single precision
    EXPECT_NE(static_cast<double>(seen[1].number), 0.1);
    EXPECT_EQ(seen[2].integer, 2147483647);  // clamped, not undefined
    EXPECT_EQ(seen[3].integer, -2147483647 - 1);
    EXPECT_EQ(seen[4].integer, 0);
    EXPECT_EQ(seen[5].integer, 65537);
    EXPECT_TRUE(std::isinf(seen[2].number));
}

TEST_F(BindingTest, TextWithAZeroByteKeepsItsLength)
{
    state->GetGlobals().Register("record", Record);
    ASSERT_EQ(Run("record('ab\\0cd')"), "");
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0].text, std::string("ab\0cd", 5));
}

TEST_F(BindingTest, ManyArgumentsAreAllReachable)
{
    state->GetGlobals().Register("record", Record);
    ASSERT_EQ(Run("record(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22)"), "");
    EXPECT_EQ(seenTop, 22);
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[5].integer, 6);
}
