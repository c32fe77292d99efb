// SPDX-License-Identifier: MIT
// LoadSettings: the fourteen keys reach their globals, the canvas size is clamped to 512..4096,
// a missing or unreadable file leaves the built-in defaults, and the panel band follows the GUI.
#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <string>

#include "config/settings_writer.h"
#include "config_temp_dir.h"
#include "engine/settings.h"

namespace {

using SettingsLoad = ConfigTempDir;

struct SizeCase {
    const char* text;
    int expected;
};

// Printed in the test's listing instead of the struct's raw bytes.
void PrintTo(const SizeCase& size, std::ostream* out) {
    *out << '"' << size.text << "\" -> " << size.expected;
}

class SettingsClamp : public ConfigTempDir, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(SettingsClamp, WidthAndHeightAreClampedAlike) {
    const SizeCase size = GetParam();
    LoadSettings(Write("w.cfg", std::string("width = ") + size.text + "\nheight = 700\n").c_str());
    EXPECT_EQ(xs, size.expected);
    EXPECT_EQ(ys, 700);
    LoadSettings(Write("h.cfg", std::string("width = 600\nheight = ") + size.text + "\n").c_str());
    EXPECT_EQ(xs, 600);
    EXPECT_EQ(ys, size.expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SettingsClamp,
                         ::testing::Values(SizeCase{"100", 512}, SizeCase{"511", 512},
                                           SizeCase{"512", 512}, SizeCase{"4080", 4080},
                                           SizeCase{"4096", 4096}, SizeCase{"5000", 4096},
                                           SizeCase{"-7", 512}, SizeCase{"abc", 512},
                                           SizeCase{"99999999999999", 4096},
                                           SizeCase{"-99999999999999", 512}),
                         [](const ::testing::TestParamInfo<SizeCase>& case_info) {
                             std::string name;
                             for (const char c : std::string(case_info.param.text))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return "text_" + name;
                         });

TEST_F(SettingsLoad, EveryKeyReachesItsGlobal) {
    LoadSettings(Write("all.cfg",
                       "width = 800\nheight = 1024\npng file = out/pic.png\nGUI active = true\n"
                       "num sprouts = 7\nstrand length = 1230\nruns / frame = 100000\n"
                       "color decay = 0.25\nstart angle = 45.5\nn start dirs = 360\n"
                       "rand angle = 90\nprobability = 0.125\ncurl = 0.5\nfrom angle = 30\n")
                     .c_str());
    EXPECT_EQ(xs, 800);
    EXPECT_EQ(ys, 1024);
    EXPECT_EQ(file, "out/pic.png");
    EXPECT_TRUE(display_GUI);
    EXPECT_EQ(n_sprouts, 7);
    EXPECT_EQ(strand_length, 1230);
    EXPECT_EQ(tests_per_frame, 100000);
    EXPECT_EQ(color_decay, 0.25f);
    EXPECT_EQ(start_angle, 45.5f);
    EXPECT_EQ(start_angle_rand, 360);
    EXPECT_EQ(rand_angle_int, 90);
    EXPECT_EQ(rand_angle_probability, 0.125f);
    EXPECT_EQ(rand_angle, 0.5f);
    EXPECT_EQ(from_angle, 30);
}

void ExpectPanelDefaults() {
    EXPECT_EQ(file, "morvane.png");
    EXPECT_TRUE(display_GUI);
    EXPECT_EQ(n_sprouts, 3);
    EXPECT_EQ(strand_length, 700);
    EXPECT_EQ(tests_per_frame, 5000);
    EXPECT_EQ(color_decay, 0.0f);
    EXPECT_EQ(start_angle, 0.0f);
    EXPECT_EQ(start_angle_rand, 6);
    EXPECT_EQ(rand_angle_int, 60);
    EXPECT_EQ(rand_angle_probability, 0.01f);
    EXPECT_EQ(rand_angle, 0.002f);
    EXPECT_EQ(from_angle, 0);
}

TEST_F(SettingsLoad, MissingFileGivesDefaults) {
    LoadSettings(Path("absent.cfg").c_str());
    EXPECT_EQ(xs, 512);
    EXPECT_EQ(ys, 512);
    ExpectPanelDefaults();
}

TEST_F(SettingsLoad, AbsentKeysKeepTheirDefaults) {
    // No width: 512, as for a missing file. No "png file": the default path.
    LoadSettings(Write("some.cfg", "height = 900\nnum sprouts = 0\n").c_str());
    EXPECT_EQ(xs, 512);
    EXPECT_EQ(ys, 900);
    EXPECT_EQ(file, "morvane.png");
    // Values from the file are used as read, outside the panel's range too.
    EXPECT_EQ(n_sprouts, 0);
}

TEST_F(SettingsLoad, GuiActiveReadsAsABool) {
    LoadSettings(Write("off.cfg", "GUI active = false\n").c_str());
    EXPECT_FALSE(display_GUI);
    LoadSettings(Write("on.cfg", "GUI active = yes\n").c_str());
    EXPECT_TRUE(display_GUI);
}

TEST_F(SettingsLoad, EndMarkerStopsTheRead) {
    LoadSettings(
        Write("end.cfg", "width = 1000\nEndConfigFile\nheight = 1000\ncurl = 0.9\n").c_str());
    EXPECT_EQ(xs, 1000);
    EXPECT_EQ(ys, 512);
    EXPECT_EQ(rand_angle, 0.002f);
}

TEST_F(SettingsLoad, JunkFileLoadsWithoutHarm) {
    std::string junk("width = \0\xff\n", 11);
    for (int i = 0; i < 2000; ++i) junk.push_back(static_cast<char>(i * 37 % 251));
    junk += "\ncurl = 1e400\ncolor decay = -1e400\nstart angle = nan\n";
    LoadSettings(Write("junk.cfg", junk).c_str());
    EXPECT_EQ(xs, 512);
    EXPECT_EQ(ys, 512);
    EXPECT_EQ(rand_angle, FLT_MAX);
    EXPECT_EQ(color_decay, -FLT_MAX);
    EXPECT_EQ(start_angle, 0.0f);
}

TEST_F(SettingsLoad, FolderInsteadOfFileGivesDefaults) {
    std::filesystem::create_directory(Path("defaults.cfg"));
    LoadSettings(Path("defaults.cfg").c_str());
    EXPECT_EQ(xs, 512);
    EXPECT_EQ(ys, 512);
    ExpectPanelDefaults();
}

TEST_F(SettingsLoad, ResetRestoresEveryDefault) {
    LoadSettings(Write("all.cfg",
                       "width = 800\nheight = 900\npng file = x\nGUI active = no\n"
                       "num sprouts = 1\nstrand length = 1\nruns / frame = 1\ncolor decay = 1\n"
                       "start angle = 1\nn start dirs = 1\nrand angle = 1\nprobability = 1\n"
                       "curl = 1\nfrom angle = 1\n")
                     .c_str());
    ResetSettings();
    EXPECT_EQ(xs, 512);
    EXPECT_EQ(ys, 512);
    ExpectPanelDefaults();
}

// Every value of every setting as its file text, to compare two loads.
std::string AllSettings() {
    return SettingsText(settings_table, PANEL_ROWS_BEGIN);
}

// Each mistake is one line naming its line in the file, and the settings read are exactly those
// of the same file read without asking for problems.
TEST_F(SettingsLoad, ProblemsAreNamedByLineAndChangeNothing) {
    const std::string path = Write("bad.cfg",
                                   "width = 10000\n"
                                   "height = abc\n"
                                   "num sprout = 5\n"
                                   "curl = 0,01\n"
                                   "GUI active = nope\n"
                                   "\n"
                                   "strand length 900\n"
                                   "probability = 0.02\n"
                                   "probability = 0.03\n"
                                   "rand angle = 61\n");
    LoadSettings(path.c_str());
    const std::string silent = AllSettings();
    std::vector<std::string> problems;
    LoadSettings(path.c_str(), &problems);
    EXPECT_EQ(AllSettings(), silent);
    const std::string at = path + " line ";
    const std::vector<std::string> expected = {
        at + "1: width 10000 is out of 512..4096, clamped to 4096",
        at + "2: height \"abc\" is not a whole number in range, read as 0, clamped to 512 "
             "(512..4096)",
        at + "3: unknown key \"num sprout\", ignored",
        at + "4: curl \"0,01\" is not a number in range, read as 0",
        at + "5: GUI active \"nope\" is neither true nor false, read as true",
        at + "7: \"strand length 900\" has no \"=\", ignored",
        at + "9: \"probability\" is given again (first on line 8), the later value is used",
    };
    EXPECT_EQ(problems, expected);
}

// What the settings writer writes reads back without a problem.
TEST_F(SettingsLoad, WrittenSettingsHaveNoProblems) {
    LoadSettings(Write("odd.cfg",
                       "width = 4096\ncolor decay = 0.123\nGUI active = false\n"
                       "png file = out dir/pic.png\ncurl = 1e-7\n")
                     .c_str());
    const std::string text = AllSettings();
    std::vector<std::string> problems;
    LoadSettings(Write("written.cfg", text).c_str(), &problems);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(AllSettings(), text);
}

}  // namespace
