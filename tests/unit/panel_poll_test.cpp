// SPDX-License-Identifier: MIT
// Button polling: the repeat gate over a held press, the bound rules of every pair, the ungated
// pairs, redo, save and the toggles.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <random>
#include <vector>

#include "app/app.h"
#include "engine/frame.h"
#include "export/export.h"
#include "panel/panel.h"
#include "panel_testing.h"
#include "platform/testing.h"

namespace {

class PanelPoll : public ::testing::Test {
public:
    int& hold = hold_counter;
    bool quit = false;
    void SetUp() override { ResetPanelState(true); }
    void TearDown() override {
        CRM32Pro_IButton::RemoveAll();
        ResetSettings();
    }
    void Poll(int repeat_limit = 30) { PollButtons(repeat_limit, quit); }
};

// Iterations (1-based) on which holding "num sprouts" more changed the value.
std::vector<int> StepsWhileHeld(PanelPoll& t, int repeat_limit, int iterations) {
    std::vector<int> steps;
    for (int i = 1; i <= iterations; ++i) {
        const int before = n_sprouts;
        PollButtons(repeat_limit, t.quit);
        if (n_sprouts != before) steps.push_back(i);
    }
    return steps;
}

}  // namespace

TEST_F(PanelPoll, HeldGatedButtonStepsOnceWaitsThenRepeats) {
    Hold(panel_buttons.more[0]);
    EXPECT_EQ(StepsWhileHeld(*this, 30, 34), (std::vector<int>{1, 32, 33, 34}));
    EXPECT_EQ(hold, 31) << "the counter stops one past the limit";
    // Letting go resets the counter: the next press acts at once, then waits again.
    button_is_held = false;
    EXPECT_EQ(StepsWhileHeld(*this, 0, 4), (std::vector<int>{1, 2, 3, 4}));
    button_is_held = false;
    EXPECT_EQ(StepsWhileHeld(*this, 2, 5), (std::vector<int>{1, 4, 5}));
}

TEST_F(PanelPoll, ActingGatedButtonShutsGateForLaterOnesInSameIteration) {
    Hold(panel_buttons.more[0]);
    Hold(panel_buttons.more[3]);
    Poll();
    EXPECT_EQ(n_sprouts, 4);
    EXPECT_FLOAT_EQ(color_decay, 0.0f);
    EXPECT_TRUE(button_is_held);
}

TEST_F(PanelPoll, BoundRulesApplyAfterTheStep) {
    struct Case {
        int pair, direction;
        double start, expected;
    };
    const Case cases[] = {
        {0, -1, 1, 1},          {0, +1, 1000, 1000},  {0, -1, 0, 1},       {0, +1, 0, 1},
        {5, -1, 1, 1},          {6, -1, 0, 0},        {9, -1, 0, 0},       {1, -1, 15, 10},
        {1, +1, 9995, 10000},   {2, -1, 150, 100},    {3, -1, 0.0005, 0},  {3, +1, 0.9995, 1},
        {4, +1, 359.5, 360},    {4, -1, 0.5, 0},      {7, +1, 0.5, 0.501}, {8, -1, 0.002, 0.001},
        {0, +1, INT_MAX, 1000}, {1, -1, INT_MIN, 10}, {8, +1, NAN, 0},
    };
    for (const Case& c : cases) {
        const SettingRow& row = PanelSettingRows()[c.pair];
        int* const* i = std::get_if<int*>(&row.target);
        float* const* f = std::get_if<float*>(&row.target);
        if (i) **i = static_cast<int>(c.start);
        if (f) **f = static_cast<float>(c.start);
        button_is_held = false;
        const int id = c.direction < 0 ? panel_buttons.less[c.pair] : panel_buttons.more[c.pair];
        Hold(id);
        Poll();
        Release(id);
        const double got = i ? **i : static_cast<double>(**f);
        EXPECT_FLOAT_EQ(got, c.expected)
            << row.panel.label << " from " << c.start << " by " << c.direction;
    }
}

TEST_F(PanelPoll, StrandLengthAndRunsPerFrameRepeatWithoutHolding) {
    Hold(panel_buttons.more[1]);
    Hold(panel_buttons.less[2]);
    for (int i = 0; i < 3; ++i) Poll();
    EXPECT_EQ(strand_length, 730);
    EXPECT_EQ(tests_per_frame, 4700);
    EXPECT_FALSE(button_is_held);
    EXPECT_EQ(hold, 0);
}

TEST_F(PanelPoll, RedoRestartsOncePerPressAndExitQuits) {
    Hold(panel_buttons.redo);
    Poll();
    EXPECT_EQ(init, 0);
    EndRestart();
    Poll();
    Poll();
    EXPECT_EQ(init, 1);
    button_is_held = false;
    Poll();
    EXPECT_EQ(init, 0);
    EXPECT_FALSE(quit);
    Hold(panel_buttons.exit);
    Poll();
    EXPECT_TRUE(quit);
}

// A click spans several iterations: it must write one file, and the next click another.
TEST_F(PanelPoll, EachPressOfSaveWritesOnce) {
    const std::filesystem::path png =
        std::filesystem::temp_directory_path() /
        ("panel_save_" + std::to_string(std::random_device{}()) + ".png");
    file = png.string();
    for (int press = 0; press < 2; ++press) {
        Hold(panel_buttons.save);
        Poll();
        EXPECT_TRUE(std::filesystem::exists(png)) << "press " << press;
        std::filesystem::remove(png);
        for (int i = 0; i < 3; ++i) Poll();
        EXPECT_FALSE(std::filesystem::exists(png)) << "a held press saved again";
        Release(panel_buttons.save);
        ReleaseHeldButton();
        Poll();
    }
    std::filesystem::remove(png);
}

TEST_F(PanelPoll, TogglesAreCopiedIntoTheirFlags) {
    Hold(panel_buttons.white);
    Hold(panel_buttons.fill);
    SetPaused(true);
    Poll();
    EXPECT_EQ(white_sprouts, 1);
    EXPECT_EQ(do_fill, 1);
    EXPECT_EQ(paused, 0);
    Release(panel_buttons.white);
    Poll();
    EXPECT_EQ(white_sprouts, 0);
}

// The real mouse path: events through the platform, one poll per frame as the main loop does.
class PanelMouse : public PanelPoll {
public:
    void SetUp() override {
        ASSERT_TRUE(PlatformTest::OpenWindow(512, 584));
        PanelPoll::SetUp();
        CRM32Pro_ITimeSystem::Init();
    }
    void TearDown() override {
        PanelPoll::TearDown();
        PlatformTest::CloseWindow();
    }
    // One frame: the poll, the events (a mouse-up lets go of the held button), the frame time.
    // Returns whether num sprouts changed.
    bool Frame() {
        const int before = n_sprouts;
        Poll();
        Event e;
        while (CRM32Pro_Main::NextEvent(&e))
            if (e.type == EVENT_MOUSEBUTTONUP) ReleaseHeldButton();
        CRM32Pro_Main::WaitForFrame();
        return n_sprouts != before;
    }
};

TEST_F(PanelMouse, HoldAfterAnInstantClickWaitsBeforeRepeating) {
    const int x = 62, y = 16;  // on num sprouts' more button
    // Press and release in one pump, as a touchpad tap sends them: one step.
    PlatformTest::PushMouse(EVENT_MOUSEBUTTONDOWN, x, y);
    PlatformTest::PushMouse(EVENT_MOUSEBUTTONUP, x, y);
    int steps = 0;
    for (int i = 0; i < 40; ++i) steps += Frame();
    EXPECT_EQ(steps, 1);
    // Then a held press: one step at once, then the wait of 30 polls.
    PlatformTest::PushMouse(EVENT_MOUSEBUTTONDOWN, x, y);
    Frame();
    steps = 0;
    for (int i = 0; i < 25; ++i) steps += Frame();
    EXPECT_EQ(steps, 1) << "the held press repeated without waiting";
}
