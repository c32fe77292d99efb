// SPDX-License-Identifier: MIT
// The panel band on a dummy window: separators, the question face, the panel-off box, the
// message strip, and the value texts that must stay within chr whatever the settings file held.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <variant>
#include <vector>

#include "app/app.h"
#include "engine/frame.h"
#include "engine/settings.h"
#include "panel/panel.h"
#include "panel_testing.h"
#include "platform/testing.h"

namespace {

constexpr int W = 512, H = 584, BAND = 72;

class PanelDraw : public ::testing::Test {
protected:
    void SetUp() override {
        ResetPanelState(true);
        ASSERT_TRUE(PlatformTest::OpenWindow(W, H));
        fFont = new CRM32Pro_CFont();
        fFont->Load("Data/gfx.dpf", "font");
        // Grey everywhere, so that whatever the panel paints or leaves shows.
        CRM32Pro_IPrimitives::BoxColor(CRM32Pro_Main::screen, 0, 0, W, H, 0x808080FF);
    }
    void TearDown() override {
        ShowPanelMessageFor("", 0);
        delete fFont;
        fFont = nullptr;
        CRM32Pro_IButton::RemoveAll();
        PlatformTest::CloseWindow();
        ResetSettings();
    }
    // Whether any pixel of columns [x0, x1) and rows [y0, y1) has grey `g`.
    static bool Any(int x0, int x1, int y0, int y1, int g) {
        for (int x = x0; x < x1; ++x)
            for (int y = y0; y < y1; ++y)
                if (PlatformTest::ScreenGrey(x, y) == g) return true;
        return false;
    }
    static bool All(int x0, int x1, int y0, int y1, int g) {
        for (int x = x0; x < x1; ++x)
            for (int y = y0; y < y1; ++y)
                if (PlatformTest::ScreenGrey(x, y) != g) return false;
        return true;
    }
};

}  // namespace

TEST_F(PanelDraw, SeparatorsStandRightOfEachColumnOverTheBandOnly) {
    DrawPanel();
    for (int k = 0; k < 5; ++k) {
        const int x = 80 * k + 73;
        EXPECT_TRUE(All(x, x + 1, 0, BAND, 255)) << "separator " << x;
        EXPECT_TRUE(All(x - 1, x, 0, BAND, 0)) << "left of " << x;
        EXPECT_TRUE(All(x + 1, x + 7, 0, BAND, 0)) << "right of " << x;
    }
    EXPECT_TRUE(All(0, W, BAND, BAND + 1, 0x80)) << "the canvas rows are not the panel's";
}

// The widest values a settings file can give stop where their more button starts, so that
// nothing of them runs under the button or into the next column.
TEST_F(PanelDraw, WideValuesStayInTheirSlot) {
    for (const SettingRow& row : PanelSettingRows()) {
        if (int* const* i = std::get_if<int*>(&row.target)) **i = INT_MIN;
        if (float* const* f = std::get_if<float*>(&row.target)) **f = -2147483648.0f;
    }
    CRM32Pro_IButton::RemoveAll();  // the buttons would hide what runs under them
    DrawPanel();
    for (int k = 0; k < 5; ++k) {
        const int x = 80 * k;
        EXPECT_TRUE(Any(x + 20, x + 60, 16, 30, 255)) << "no value text in column " << k;
        EXPECT_TRUE(All(x + 60, x + 73, 14, 34, 0)) << "upper value of column " << k;
        EXPECT_TRUE(All(x + 60, x + 73, 52, 72, 0)) << "lower value of column " << k;
    }
}

TEST_F(PanelDraw, QuestionFaceIsOnlyTheQuestionOnBlack) {
    save_defaults = true;
    DrawPanel();
    EXPECT_TRUE(Any(3, 200, 3, 16, 255)) << "question text";
    EXPECT_TRUE(All(0, W, 20, BAND, 0));
    EXPECT_TRUE(All(200, W, 0, BAND, 0));
}

TEST_F(PanelDraw, PanelOffPaintsNothing) {
    ResetPanelState(false);
    DrawPanel();
    EXPECT_TRUE(All(0, W, 0, 80, 0x80));
}

TEST_F(PanelDraw, MessageCoversTheLowerRowForItsTime) {
    ShowPanelMessageFor("could not save morvane.png", 3000);
    DrawPanel();
    EXPECT_TRUE(Any(3, 200, 45, 65, 255)) << "message text";
    EXPECT_TRUE(All(73, 74, 40, BAND, 0)) << "separator covered";
    EXPECT_TRUE(All(73, 74, 0, 30, 255)) << "upper row still shown";
    // A long reason is cut at the strip's edge instead of running into the toggle column.
    ShowPanelMessageFor(std::string(120, 'W').c_str(), 3000);
    DrawPanel();
    EXPECT_TRUE(All(394, 400, 38, BAND, 0));
    ShowPanelMessageFor("gone", 0);
    DrawPanel();
    EXPECT_TRUE(All(73, 74, 0, BAND, 255));
}

// The band drawn slot by slot must end up as the band drawn whole, and a frame in which nothing
// changed must send nothing.
TEST_F(PanelDraw, ChangedSlotsOnlyAndTheSameBandAsAWholeDraw) {
    DrawPanel();
    PlatformTest::PresentFrame();
    DrawPanel();
    EXPECT_EQ(PlatformTest::PresentFrame(), 0) << "an unchanged panel was sent again";
    for (int i = 0; i < 30; ++i) StepSetting(0, +1);  // num sprouts: a shorter text, then longer
    StepSetting(3, -1);
    SetToggle(panel_buttons.pause, 1);
    DrawPanel();
    EXPECT_GT(PlatformTest::PresentFrame(), 0);
    std::vector<int> stepped;
    for (int y = 0; y < BAND; ++y)
        for (int x = 0; x < W; ++x) stepped.push_back(PlatformTest::ScreenGrey(x, y));
    RedrawPanel();
    CRM32Pro_IPrimitives::BoxColor(CRM32Pro_Main::screen, 0, 0, W, BAND, 0x808080FF);
    DrawPanel();
    int differ = 0;
    for (int y = 0; y < BAND; ++y)
        for (int x = 0; x < W; ++x) differ += PlatformTest::ScreenGrey(x, y) != stepped[y * W + x];
    EXPECT_EQ(differ, 0) << "pixels of the band differ from the band drawn whole";
}

TEST(PanelValueText, FitsTheBufferAndReadsAsThePanelShowsIt) {
    ResetSettings();
    const char* defaults[] = {"3", "700", "5000", "0.000", "0", "6", "60", "0.010", "0.002", "0"};
    for (int i = 0; i < 10; ++i) {
        WriteValueText(i);
        EXPECT_STREQ(chr, defaults[i]);
    }
    struct Case {
        float* value;
        float set;
        const char* text;
    } const cases[] = {
        {&color_decay, 0.0005f, "0.001"},
        {&start_angle, 359.9f, "359"},
        {&start_angle, -0.5f, "0"},
        {&start_angle, 1e10f, "10000000000"},
        {&start_angle, 1e38f, "1.000e+38"},
        {&start_angle, -INFINITY, "-inf"},
        {&color_decay, 1e12f, "999999995904.000"},
        {&color_decay, 2e13f, "2.000e+13"},
        {&color_decay, -2e12f, "-2.000e+12"},
        {&rand_angle, -1e30f, "-1.000e+30"},
        {&rand_angle, NAN, "nan"},
        {&rand_angle, INFINITY, "inf"},
    };
    for (const Case& c : cases) {
        *c.value = c.set;
        for (int i = 0; i < 10; ++i) {
            WriteValueText(i);
            ASSERT_LT(std::strlen(chr), sizeof chr);
        }
        const int pair = c.value == &color_decay ? 3 : c.value == &start_angle ? 4 : 8;
        WriteValueText(pair);
        EXPECT_STREQ(chr, c.text) << c.set;
    }
    n_sprouts = INT_MIN;
    WriteValueText(0);
    EXPECT_STREQ(chr, "-2147483648");
    ResetSettings();
}
