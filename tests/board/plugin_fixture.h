// Test fixture: a private copy of oboard.dll loaded the way the host loads
// it, driven by a stand-in host. Each test gets a fresh module (its own
// globals and window classes), so tests do not leak state into each other.
#ifndef TESTS_BOARD_PLUGIN_FIXTURE_H
#define TESTS_BOARD_PLUGIN_FIXTURE_H

#include <gtest/gtest.h>

#include "oboard/board_ui.h"
#include "stand_in_host.h"

#include <functional>
#include <memory>
#include <string>

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Tests that must see the plugin before MsgInit override this.
    virtual bool StartsPlugin() const { return true; }

    intptr_t Send(uint32_t id, int32_t p1 = 0, int32_t p2 = 0, int32_t boardNet = 0)
    {
        return plugin->Send(id, p1, p2, boardNet);
    }

    StandInHost host;
    std::unique_ptr<LoadedPlugin> plugin;
    std::string pluginCopy;
};

// Runs the calling thread's messages until none is left.
void PumpMessages();

// Runs the calling thread's messages, as they come, until `done` answers
// true or twenty seconds have passed.
void PumpUntil(const std::function<bool()>& done);

#endif
