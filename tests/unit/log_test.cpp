// The log as a settings file can attack it: quoted texts with line breaks or other control bytes,
// and texts of many megabytes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/platform.h"

namespace {

const std::string LOG = "log_test." + std::to_string(getpid()) + ".log";

// The lines the log got from one message.
std::string LogOf(const std::string& quoted) {
    CRM32Pro_ILogSystem::Init(LOG.c_str(), "test");
    std::ifstream start(LOG);
    std::stringstream before;
    before << start.rdbuf();
    CRM32Pro_ILogSystem::Msg("could not save image %s: %s\n", quoted.c_str(), "No space");
    std::ifstream in(LOG);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(LOG.c_str());
    return text.str().substr(before.str().size());
}

TEST(Log, AQuotedTextCannotBreakItsLine) {
    const std::string forged =
        "a.png\n2026-01-01 00:00:00 journal frame 1\r\x01\x7F\t\\x0A \xB7\xB4";
    const std::string line = LogOf(forged);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    EXPECT_NE(line.find("a.png\\n2026-01-01 00:00:00 journal frame 1\\r\\x01\\x7F\\t\\\\x0A "
                        "\xB7\xB4: No space\n"),
              std::string::npos)
        << line;
}

TEST(Log, AHugeTextIsCutWithAMark) {
    const std::string line = LogOf(std::string(50'000'000, 'p'));
    EXPECT_LT(line.size(), 1100u);
    // Of the message's 50,000,031 bytes, the first 1000 are kept.
    EXPECT_NE(line.find(std::string(960, 'p') + " [49999031 more bytes cut]\n"), std::string::npos)
        << line;
}

}  // namespace
