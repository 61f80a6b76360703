// A fresh LuaPlus universe with the standard libraries for each test.
#ifndef LUAPLUS_BINDING_FIXTURE_H
#define LUAPLUS_BINDING_FIXTURE_H

#include <gtest/gtest.h>

#include <LuaPlus/LuaPlus.h>

#include <string>

class BindingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        state = LuaPlus::LuaState::Create(true);
        ASSERT_NE(state, nullptr);
    }
    void TearDown() override { LuaPlus::LuaState::Destroy(state); }

    // Runs Lua text on the main thread; answers the error message, or "".
    std::string Run(const char* text)
    {
        if (state->LoadText(text) != 0 || state->PCall(0, 0) != 0) {
            const char* message = state->Stack(-1).GetString();
            std::string error = message != nullptr ? message : "(no message)";
            state->Pop(1);
            return error;
        }
        return std::string();
    }

    LuaPlus::LuaState* state = nullptr;
};

#endif
