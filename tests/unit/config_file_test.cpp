// SPDX-License-Identifier: MIT
// ConfigFile: how lines become entries (trimming, comments, continuation lines, the end marker)
// and how stored text converts to values, including text that holds no usable number.
#include "config/config_file.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <sstream>

#include "config_temp_dir.h"

namespace {

ConfigFile Parse(const std::string& text, const std::string& sentry = "EndConfigFile") {
    ConfigFile config;
    config.sentry = sentry;
    std::istringstream in(text);
    in >> config;
    return config;
}

using Entries = std::map<std::string, std::string>;

TEST(ConfigFileParse, SplitsAtFirstDelimiterAndTrims) {
    EXPECT_EQ(Parse("width = 512\n").contents, Parse("   width=512   \n").contents);
    EXPECT_EQ(Parse("width = 512\n").contents, (Entries{{"width", "512"}}));
    EXPECT_EQ(Parse("a = b = c\n").contents, (Entries{{"a", "b = c"}}));
    EXPECT_EQ(Parse("= 5\n").contents, (Entries{{"", "5"}}));
    EXPECT_EQ(Parse("width =\n").contents, (Entries{{"width", ""}}));
    EXPECT_EQ(Parse("\truns / frame\t=\v7\f\r\n").contents, (Entries{{"runs / frame", "7"}}));
    // Keys are bytes: no case folding.
    EXPECT_EQ(Parse("Width = 1\nwidth = 2\n").contents.size(), 2u);
}

TEST(ConfigFileParse, CommentsCutLinesAndValues) {
    EXPECT_EQ(Parse("png file = C:/a#b.png\n").contents, (Entries{{"png file", "C:/a"}}));
    EXPECT_TRUE(Parse("hello\n\n   \n# a = 1\n  # b = 2\n").contents.empty());
    EXPECT_TRUE(Parse("").contents.empty());
}

TEST(ConfigFileParse, LaterKeyWinsAndEarlierContentsStay) {
    ConfigFile config = Parse("a = 1\nb = 2\na = 3\n");
    EXPECT_EQ(config.contents, (Entries{{"a", "3"}, {"b", "2"}}));
    std::istringstream more("b = 4\nc = 5");
    more >> config;
    EXPECT_EQ(config.contents, (Entries{{"a", "3"}, {"b", "4"}, {"c", "5"}}));
}

TEST(ConfigFileParse, ContinuationLines) {
    EXPECT_EQ(Parse("key = one\n  two\nthree\n\nnext = 1\n").contents,
              (Entries{{"key", "one\n  two\nthree"}, {"next", "1"}}));
    // A comment line neither ends the value nor adds a line break, only its leading blanks.
    EXPECT_EQ(Parse("key = one\n# note\ntwo\n").contents, (Entries{{"key", "one\ntwo"}}));
    EXPECT_EQ(Parse("key = one\n  # note\ntwo\n").contents, (Entries{{"key", "one  \ntwo"}}));
    // A key line closes the value; a blank-only line is skipped.
    EXPECT_EQ(Parse("a = 1\n \t \nb = 2").contents, (Entries{{"a", "1"}, {"b", "2"}}));
    // A last line without a line feed is joined exactly once.
    EXPECT_EQ(Parse("key = one\ntwo").contents, (Entries{{"key", "one\ntwo"}}));
    EXPECT_EQ(Parse("key = one\ntwo\n").contents, (Entries{{"key", "one\ntwo"}}));
    // A value can start on the line after its key.
    EXPECT_EQ(Parse("key =\nvalue\n").contents, (Entries{{"key", "value"}}));
}

TEST(ConfigFileParse, SentryEndsReading) {
    EXPECT_EQ(Parse("a = 1\n  more\nEndConfigFile\nb = 2\n").contents,
              (Entries{{"a", "1\n  more"}}));
    EXPECT_EQ(Parse("a = 1\n# EndConfigFile\nb = 2\n").contents, (Entries{{"a", "1"}, {"b", "2"}}));
    EXPECT_EQ(Parse("a = 1 # EndConfigFile\nb = 2\n").contents, (Entries{{"a", "1"}, {"b", "2"}}));
    EXPECT_EQ(Parse("a = 1\nx = EndConfigFile\nb = 2\n").contents, (Entries{{"a", "1"}}));
    EXPECT_EQ(Parse("xEndConfigFiley\na = 1\n").contents, Entries{});
    // No sentry: the marker is plain text.
    EXPECT_EQ(Parse("x = EndConfigFile\n", "").contents, (Entries{{"x", "EndConfigFile"}}));
}

TEST(ConfigFileParse, OtherMarkers) {
    ConfigFile config;
    config.delimiter = ":=";
    config.comment = "//";
    config.sentry = "STOP";
    std::istringstream in("a := 1 // note\nb:=x=y\nc = 3\nSTOP\nd := 4\n");
    in >> config;
    EXPECT_EQ(config.contents, (Entries{{"a", "1"}, {"b", "x=y\nc = 3"}}));
    // An empty comment marker marks no comment rather than cutting every line away.
    config = ConfigFile();
    config.comment = "";
    std::istringstream plain("a = 1 # 2\n");
    plain >> config;
    EXPECT_EQ(config.contents, (Entries{{"a", "1 # 2"}}));
}

TEST(ConfigFileParse, WritesEntriesInKeyOrder) {
    std::ostringstream out;
    out << Parse("b = 2\na = x y\n");
    EXPECT_EQ(out.str(), "a = x y\nb = 2\n");
}

TEST(ConfigFileConvert, Bool) {
    for (const char* text : {"false", "False", "f", "no", "N", "0", "none", "NONE"})
        EXPECT_FALSE(ConfigFile::string_as_T<bool>(text)) << text;
    for (const char* text : {"true", "yes", "1", "off", "", " no", "nein", "0.0"})
        EXPECT_TRUE(ConfigFile::string_as_T<bool>(text)) << text;
}

TEST(ConfigFileConvert, Int) {
    const std::pair<const char*, int> cases[] = {
        {"512", 512},
        {"12abc", 12},
        {"3.7", 3},
        {"-4", -4},
        {"+5", 5},
        {"0x10", 0},
        {" \t 42", 42},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        // Nothing to read gives 0; beyond int saturates.
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"+-3", 0},
        {"2147483648", INT_MAX},
        {"-99999999999999999999999", INT_MIN},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ConfigFile::string_as_T<int>(text), expected) << text;
}

TEST(ConfigFileConvert, Float) {
    const std::pair<const char*, float> cases[] = {
        {"0.002", 0.002f},
        {"1e-3", 0.001f},
        {"5", 5.0f},
        {"1,5", 1.0f},
        {"-2.5E2x", -250.0f},
        {".5", 0.5f},
        {"5.", 5.0f},
        {"0x10", 0.0f},
        {"16777217", 16777216.0f},  // rounded to the nearest float
        {"3.4028235e38", FLT_MAX},
        // An incomplete exponent is not part of the number.
        {"1e", 1.0f},
        {"2e+", 2.0f},
        {"3e-x", 3.0f},
        // No number: 0. The words a stream does not read are no number either.
        {"", 0.0f},
        {"-", 0.0f},
        {".", 0.0f},
        {"inf", 0.0f},
        {"nan", 0.0f},
        {"e5", 0.0f},
        // Out of range: the largest finite float, or zero.
        {"1e39", FLT_MAX},
        {"-1e39", -FLT_MAX},
        {"0.0001e43", FLT_MAX},
        {"1e99999999999999999999", FLT_MAX},
        {"1e-50", 0.0f},
        {"-1000e-99999999999999", -0.0f},
        {"1000e-48", 1e-45f},
    };
    for (const auto& [text, expected] : cases) {
        const float value = ConfigFile::string_as_T<float>(text);
        EXPECT_EQ(value, expected) << text;
        EXPECT_EQ(std::signbit(value), std::signbit(expected)) << text;
    }
}

TEST(ConfigFileRead, ReadIntoConvertsPresentKeysOnly) {
    const ConfigFile config = Parse("s = two words\nb = no\nf = 0.5\ni = 12abc\n");
    std::string s = "x";
    bool b = true;
    float f = 0;
    int i = 0;
    EXPECT_TRUE(config.readInto(s, "s"));
    EXPECT_TRUE(config.readInto(b, "b"));
    EXPECT_TRUE(config.readInto(f, "f"));
    EXPECT_TRUE(config.readInto(i, "i"));
    EXPECT_EQ(s, "two words");
    EXPECT_FALSE(b);
    EXPECT_EQ(f, 0.5f);
    EXPECT_EQ(i, 12);
    // The key asked for is matched exactly: not trimmed, not case-folded.
    EXPECT_FALSE(config.readInto(i, " i"));
    EXPECT_FALSE(config.readInto(i, "I"));
    EXPECT_EQ(i, 12);
}

using ConfigFileDisk = ConfigTempDir;

TEST_F(ConfigFileDisk, MissingFileThrowsWithItsName) {
    const std::string path = Path("defaults.cfg");
    try {
        ConfigFile config(path, "=", "#", "EndConfigFile");
        FAIL() << "no exception";
    } catch (const ConfigFile::file_not_found& e) {
        EXPECT_EQ(e.filename, path);
    }
}

TEST_F(ConfigFileDisk, ReadsCrLfFiles) {
    const ConfigFile config(Write("a.cfg", "a = 1\r\nb = two\r\n  three\r\n\r\nc =\r\n"), "=", "#",
                            "EndConfigFile");
    EXPECT_EQ(config.contents, (Entries{{"a", "1"}, {"b", "two\r\n  three"}, {"c", ""}}));
}

TEST_F(ConfigFileDisk, SurvivesJunk) {
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 131 + 7) % 256));
    junk += std::string("\n\0k\0 = v\0al\0\n", 13);
    const ConfigFile config(Write("junk.cfg", junk), "=", "#", "");
    std::string value;
    EXPECT_TRUE(config.readInto(value, std::string("\0k\0", 3)));
    EXPECT_EQ(value, std::string("v\0al\0", 5));
}

// Long input is read in linear time: a 10 MB line and 100000 continuation lines.
TEST_F(ConfigFileDisk, LongLinesAndManyContinuations) {
    const std::string big(10'000'000, 'x');
    std::string many = "key = 0\n";
    for (int i = 0; i < 100'000; ++i) many += "y\n";
    const ConfigFile config(Write("big.cfg", "big = " + big + "\n" + many + "\nlast = 1"), "=", "#",
                            "");
    EXPECT_EQ(config.contents.at("big"), big);
    EXPECT_EQ(config.contents.at("key").size(), 1 + 2 * 100'000u);
    EXPECT_EQ(config.contents.at("last"), "1");
}

}  // namespace
