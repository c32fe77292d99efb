// SPDX-License-Identifier: MIT
// The replay's reading of a journal: lines of two sessions mixed in one log are refused, one
// session's are taken whatever its stamps, and --before-restart finds the frame a restart cleared.
#include <gtest/gtest.h>

#include <sstream>

#include "config_temp_dir.h"
#include "render/session/history.h"
#include "render/session/replay.h"

namespace {

// The lines after "YYYY-MM-DD " on 2026-12-09, each "HH:MM:SS journal ...".
std::string Log(std::initializer_list<const char*> lines) {
    std::string text = "2026-12-09 09:59:59 morvane 0.1.0 log started\n";
    for (const char* line : lines) text += std::string("2026-12-09 ") + line + "\n";
    return text;
}

bool Reads(const std::string& log, std::string& error) {
    std::istringstream in(log);
    Journal journal;
    error.clear();
    return ReadJournal(in, journal, error);
}

}  // namespace

// The second window emptied the log; the first one's save and end followed its start.
TEST(Replay, RefusesTheLinesOfTwoSessionsMixedInOneLog) {
    std::string error;
    EXPECT_FALSE(
        Reads(Log({"10:00:00 journal start seed=2 size=512x512",
                   "10:00:03 journal @9000 save ok \"morvane.png\"", "10:00:04 journal @9060 end"}),
              error));
    EXPECT_NE(error.find("faster than the window renders"), std::string::npos) << error;
    // The first window's save, then the second window's restart at its own small frame.
    EXPECT_FALSE(Reads(
        Log({"10:00:00 journal start seed=2 size=512x512",
             "10:01:00 journal @500 save ok \"morvane.png\"", "10:01:01 journal @40 restart"}),
        error));
    EXPECT_NE(error.find("before the frame of a save"), std::string::npos) << error;
}

TEST(Replay, TakesOneSessionWhateverItsStamps) {
    std::string error;
    // A save written late, after events of later frames, at 60 frames a second.
    EXPECT_TRUE(
        Reads(Log({"10:00:00 journal start seed=2 size=512x512", "10:00:10 journal @600 restart",
                   "10:00:11 journal @620 restart", "10:00:11 journal @590 save ok \"morvane.png\"",
                   "10:00:20 journal @1200 end"}),
              error))
        << error;
    // A clock set back: the stamps say nothing more.
    EXPECT_TRUE(Reads(Log({"10:00:00 journal start seed=2 size=512x512",
                           "09:00:00 journal @9000 restart", "09:00:01 journal @9060 end"}),
                      error))
        << error;
    // A picture's journal text, whose stamps are zeros.
    Journal journal;
    EXPECT_TRUE(
        ParseJournalText("0000-00-00 00:00:00 journal start seed=2 size=512x512\n"
                         "0000-00-00 00:00:00 journal @90000 end\n",
                         journal, error))
        << error;
}

class ReplayFile : public ConfigTempDir {};

// --before-restart K renders the canvas as it stood when the K-th restart was asked for: after
// as many frames as the restart's line says, not one more.
TEST_F(ReplayFile, BeforeRestartIsTheFrameOfTheRestartLine) {
    const std::string path =
        Write("s.journal",
              Log({"10:00:00 journal start seed=2 size=512x512", "10:00:01 journal @40 restart",
                   "10:00:03 journal @90 restart", "10:00:04 journal @100 end"}));
    SessionRecord session;
    std::string error;
    ASSERT_TRUE(LoadSession(path, session, true, error)) << error;
    std::uint64_t frame = 0;
    ASSERT_TRUE(RestartFrame(session, 2, frame, error)) << error;
    EXPECT_EQ(frame, 90u);
    ASSERT_TRUE(RestartFrame(session, 1, frame, error)) << error;
    EXPECT_EQ(frame, 40u);
    EXPECT_FALSE(RestartFrame(session, 3, frame, error));
}
