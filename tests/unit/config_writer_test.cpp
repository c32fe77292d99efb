// SPDX-License-Identifier: MIT
// The settings writer: the exact text of defaults.cfg, float formatting as printf's %g, a round
// trip through the reader, and saves that fail without touching the previous file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "app/app.h"
#include "config/config_file.h"
#include "config/settings_writer.h"
#include "config_temp_dir.h"
#include "engine/frame.h"
#include "engine/settings.h"
#include "panel/panel.h"

namespace {

using SettingsWriter = ConfigTempDir;

constexpr const char* DEFAULT_TEXT =
    "# morvane.exe config file\n"
    "#\n"
    "# You can generate this file from your settings by pressing \"D\" while running the "
    "program.\n"
    "#\n"
    "# To specify a directory for the output PNG file, use forward slashes:\n"
    "#  png file = C:/my_img.png\n"
    "#\n"
    "# You can disable the GUI by setting \"GUI active\" to false. You may gain a small speed "
    "increase by doing so.\n"
    "\n"
    "width      = 512\n"
    "height     = 512\n"
    "png file   = morvane.png\n"
    "GUI active = true\n"
    "\n"
    "num sprouts   = 3\n"
    "strand length = 700\n"
    "runs / frame  = 5000\n"
    "color decay   = 0\n"
    "start angle   = 0\n"
    "n start dirs  = 6\n"
    "rand angle    = 60\n"
    "probability   = 0.01\n"
    "curl          = 0.002\n"
    "from angle    = 0\n"
    "\n";

std::string DefaultsText() {
    return SettingsText(settings_table, PANEL_ROWS_BEGIN);
}

std::string CurlLine() {
    const std::string text = DefaultsText();
    const auto start = text.find("curl          = ");
    return text.substr(start + 16, text.find('\n', start) - start - 16);
}

TEST_F(SettingsWriter, DefaultsTextIsExact) {
    EXPECT_EQ(DefaultsText(), DEFAULT_TEXT);
}

TEST_F(SettingsWriter, FloatsAsPrintfG) {
    const std::pair<float, const char*> cases[] = {
        {0.0f, "0"},
        {360.0f, "360"},
        {0.002f, "0.002"},
        {0.01f, "0.01"},
        {0.5f, "0.5"},
        {0.1234567f, "0.123457"},
        {1e-5f, "1e-05"},
        {1e38f, "1e+38"},
        {123456.0f, "123456"},
        {1234567.0f, "1.23457e+06"},
        {-2.5f, "-2.5"},
        {0.0001f, "0.0001"},
        {FLT_MAX, "3.40282e+38"},
    };
    for (const auto& [value, expected] : cases) {
        rand_angle = value;
        EXPECT_EQ(CurlLine(), expected);
    }
    // Any float, compared with the C library's own %g of the same value.
    std::mt19937 random(7);
    std::uniform_int_distribution<std::uint32_t> bits;
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t pattern = bits(random);
        float value;
        std::memcpy(&value, &pattern, sizeof value);
        if (!std::isfinite(value)) continue;
        char expected[64];
        std::snprintf(expected, sizeof expected, "%g", static_cast<double>(value));
        rand_angle = value;
        ASSERT_EQ(CurlLine(), expected);
    }
}

TEST_F(SettingsWriter, OtherValuesAndGuiOff) {
    xs = 4096;
    n_sprouts = -12;
    display_GUI = false;
    const std::string text = DefaultsText();
    EXPECT_NE(text.find("\nwidth      = 4096\n"), std::string::npos);
    EXPECT_NE(text.find("\nnum sprouts   = -12\n"), std::string::npos);
    EXPECT_NE(text.find("\nGUI active = false\n"), std::string::npos);
}

TEST_F(SettingsWriter, RoundTripGivesTheFourteenKeys) {
    xs = 1000;
    ys = 2000;
    file = "dir/a = b.png";
    display_GUI = false;
    n_sprouts = 0;
    strand_length = 10000;
    tests_per_frame = 100;
    color_decay = 0.999f;
    start_angle = 359.0f;
    start_angle_rand = 1;
    rand_angle_int = 360;
    rand_angle_probability = 0.1234567f;
    rand_angle = 1.0f;
    from_angle = 17;
    const std::string path = Path("defaults.cfg");
    ASSERT_TRUE(SaveDefaultsCommand(path.c_str()));

    const ConfigFile config(path, "=", "#", "EndConfigFile");
    const std::map<std::string, std::string> expected = {
        {"width", "1000"},       {"height", "2000"},       {"png file", "dir/a = b.png"},
        {"GUI active", "false"}, {"num sprouts", "0"},     {"strand length", "10000"},
        {"runs / frame", "100"}, {"color decay", "0.999"}, {"start angle", "359"},
        {"n start dirs", "1"},   {"rand angle", "360"},    {"probability", "0.123457"},
        {"curl", "1"},           {"from angle", "17"},
    };
    EXPECT_EQ(config.contents, expected);

    ResetSettings();
    LoadSettings(path.c_str());
    EXPECT_EQ(xs, 1000);
    EXPECT_EQ(ys, 2000);
    EXPECT_EQ(file, "dir/a = b.png");
    EXPECT_FALSE(display_GUI);
    EXPECT_EQ(rand_angle_probability, 0.123457f);
    EXPECT_EQ(from_angle, 17);
}

TEST_F(SettingsWriter, SavingTwiceGivesTheSameBytes) {
    const std::string path = Path("defaults.cfg");
    ASSERT_TRUE(SaveDefaultsCommand(path.c_str()));
    const std::string first = Read(path);
    EXPECT_EQ(first, DEFAULT_TEXT);
    ASSERT_TRUE(SaveDefaultsCommand(path.c_str()));
    EXPECT_EQ(Read(path), first);
}

TEST_F(SettingsWriter, FailedSavesLeaveFilesAlone) {
    EXPECT_FALSE(SaveDefaultsCommand(Path("missing/defaults.cfg").c_str()));
    EXPECT_FALSE(std::filesystem::exists(Path("missing")));

    std::filesystem::create_directory(Path("folder"));
    EXPECT_FALSE(SaveDefaultsCommand(Path("folder").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(Path("folder")));

    const std::string locked = Write("locked.cfg", "width = 900\n");
    ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
    EXPECT_FALSE(SaveDefaultsCommand(locked.c_str()));
    EXPECT_EQ(Read(locked), "width = 900\n");
    // Nothing but the folder and the locked file: no temporary file was left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              2);
}

}  // namespace
