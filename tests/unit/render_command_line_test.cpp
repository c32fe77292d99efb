// SPDX-License-Identifier: MIT
// The renderer's command line: the old form is named in the new, values after '=' or as the next
// word, "--" ending the options, and a subcommand refusing what another takes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/cli/command_line.h"

namespace {

std::optional<CommandLine> Parse(std::vector<const char*> words, std::string& error) {
    words.insert(words.begin(), "morvane-render");
    return ParseCommandLine(static_cast<int>(words.size()), const_cast<char**>(words.data()),
                            error);
}

}  // namespace

TEST(RenderCommandLine, TheOldFormIsNamedInTheNew) {
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"--replay", "m.log", "--save", "2", "-o", "p.png"}, "replay m.log --save 2 -o p.png"},
        {{"--seed", "7", "--from", "p.png"}, "from p.png --seed 7"},
        {{"--history", "--sheet", "r.png"}, "history --sheet r.png"},
        {{"--frames", "9", "--sweep", "1..4"}, "sweep 1..4 --frames 9"},
        {{"--vary", "curl=0..1:3", "--seed", "7"}, "grid --vary curl=0..1:3 --seed 7"},
        {{"--sheet", "all.png", "a.png", "b.png"}, "sheet -o all.png a.png b.png"},
        {{"--gallery", "--dir", "d", "a.png"}, "gallery --dir d a.png"},
        {{"--seed", "7", "-o", "x.png"}, "render --seed 7 -o x.png"},
    };
    for (const auto& [words, expected] : cases) {
        std::string error;
        EXPECT_FALSE(Parse(words, error));
        EXPECT_EQ(error, "the job is a subcommand now: morvane-render " + expected);
    }
}

TEST(RenderCommandLine, ValuesOperandsAndRefusals) {
    std::string error;
    auto c = Parse({"replay", "--frame=90", "--as-shown", "--", "-odd.log"}, error);
    ASSERT_TRUE(c) << error;
    EXPECT_EQ(c->options.log, "-odd.log");
    EXPECT_EQ(c->options.target, RenderOptions::Target::Frame);
    EXPECT_EQ(c->options.target_number, 90u);
    EXPECT_TRUE(c->options.as_shown);

    c = Parse({"sweep", "3..5", "--settings", "a.cfg", "-j", "2"}, error);
    ASSERT_TRUE(c) << error;
    EXPECT_EQ(c->options.sweep_first, 3u);
    EXPECT_EQ(c->options.sweep_last, 5u);
    EXPECT_EQ(c->options.settings, "a.cfg");

    const std::vector<std::pair<std::vector<const char*>, std::string>> refused = {
        {{"sweep", "1..4", "--seed", "3"}, "sweep has no option '--seed'"},
        {{"replay", "m.log", "--save", "1", "--end"}, "option --end: choose one of"},
        {{"render", "--frames", "3", "--lit", "5"}, "--frames and --lit cannot be used together"},
        {{"replay", "m.log", "--list", "-o", "x.png"}, "--list only prints"},
        {{"from"}, "from needs FILE"},
        {{"grid", "--seed", "1"}, "grid needs --vary"},
        {{"render", "--video", "a.avi"}, "name a .mp4, .mkv, .webm or .gif file"},
    };
    for (const auto& [words, message] : refused) {
        error.clear();
        EXPECT_FALSE(Parse(words, error)) << words[0];
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
}
