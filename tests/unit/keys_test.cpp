// SPDX-License-Identifier: MIT
// The keyboard commands: the save-defaults question, the F and P switches with their toggles,
// and the keys with the panel hidden.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <random>

#include "app/app.h"
#include "engine/frame.h"
#include "panel/panel.h"
#include "panel_testing.h"

namespace fs = std::filesystem;

namespace {

// Runs in a scratch folder: D then Y writes defaults.cfg into the working folder.
class Keys : public ::testing::Test {
protected:
    fs::path home = fs::current_path();
    fs::path dir = fs::temp_directory_path() / ("keys_" + std::to_string(std::random_device{}()));
    bool quit = false;
    void SetUp() override {
        fs::create_directories(dir);
        fs::current_path(dir);
        ResetPanelState(true);
    }
    void TearDown() override {
        fs::current_path(home);
        fs::remove_all(dir);
        CRM32Pro_IButton::RemoveAll();
        ResetSettings();
    }
    void Press(std::initializer_list<int> keys) {
        for (int k : keys) HandleKey(k, quit);
    }
    bool Written() {
        WaitForSaves();
        return fs::exists(dir / "defaults.cfg");
    }
};

}  // namespace

TEST_F(Keys, YesWritesTheSettingsOnceAndClosesTheQuestion) {
    Press({KEY_Y, KEY_N});
    EXPECT_FALSE(Written());
    Press({KEY_D, KEY_D});
    EXPECT_TRUE(save_defaults);
    Press({KEY_Y});
    EXPECT_FALSE(save_defaults);
    EXPECT_TRUE(Written());
    fs::remove(dir / "defaults.cfg");
    Press({KEY_Y});
    EXPECT_FALSE(Written());
}

TEST_F(Keys, NoAndEscCloseWithoutWritingAndOnlyAClosedEscQuits) {
    Press({KEY_D, KEY_N});
    EXPECT_FALSE(save_defaults);
    Press({KEY_D, KEY_ESCAPE});
    EXPECT_FALSE(save_defaults);
    EXPECT_FALSE(quit);
    EXPECT_FALSE(Written());
    Press({KEY_ESCAPE});
    EXPECT_TRUE(quit);
}

TEST_F(Keys, OtherCommandsWorkWithoutClosingTheQuestion) {
    Press({KEY_D, KEY_F, KEY_P, KEY_SPACE, KEY_S});
    EXPECT_TRUE(save_defaults);
    EXPECT_EQ(paused, 1);
    EXPECT_EQ(init, 0);
    // Space turns the pixel fill toggle off, but not the flag: the next poll copies it.
    EXPECT_EQ(do_fill, 1);
    EXPECT_EQ(CRM32Pro_IButton::GetState(panel_buttons.fill), CRM32Pro_IButton::STATE_OFF);
}

TEST_F(Keys, FAndPSwitchAndKeepTheirTogglesInStep) {
    for (int expected : {1, 0}) {
        Press({KEY_F, KEY_P});
        EXPECT_EQ(do_fill, expected);
        EXPECT_EQ(paused, expected);
        const int state = expected ? CRM32Pro_IButton::STATE_ON : CRM32Pro_IButton::STATE_OFF;
        EXPECT_EQ(CRM32Pro_IButton::GetState(panel_buttons.fill), state);
        EXPECT_EQ(CRM32Pro_IButton::GetState(panel_buttons.pause), state);
    }
}

TEST_F(Keys, KeysWorkWithThePanelHidden) {
    ResetPanelState(false);
    EXPECT_EQ(panel_buttons.pause, -1);
    Press({KEY_P, KEY_F});
    EXPECT_EQ(paused, 1);
    EXPECT_EQ(CRM32Pro_IButton::GetState(panel_buttons.fill), CRM32Pro_IButton::STATE_ON);
    Press({KEY_D, KEY_ESCAPE});
    EXPECT_FALSE(quit);
    Press({KEY_D, KEY_Y, KEY_ESCAPE});
    EXPECT_TRUE(Written());
    EXPECT_TRUE(quit);
}
