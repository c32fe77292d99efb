// SPDX-License-Identifier: MIT
// The log as a settings file can attack it: quoted texts with line breaks or other control bytes,
// and texts of many megabytes; a log file that is a link or a FIFO; a full disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/journal.h"
#include "platform/internal.h"
#include "platform/platform.h"

namespace {

const std::string LOG = "log_test." + std::to_string(getpid()) + ".log";

// The lines the log got from one message.
std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

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
    // A journal line is never cut: the replay needs the whole path.
    const std::string path(3000, 'p');
    CRM32Pro_ILogSystem::Init(LOG.c_str(), "test");
    CRM32Pro_ILogSystem::Msg("journal @1 save ok \"%s\"", path.c_str());
    const std::string log = ReadAll(LOG);
    std::remove(LOG.c_str());
    EXPECT_NE(log.find(" journal @1 save ok \"" + path + "\"\n"), std::string::npos) << log.size();
}

TEST(Log, OnlyARegularFileBecomesTheLog) {
    const std::string target = LOG + ".target", fifo = LOG + ".fifo";
    std::ofstream(target) << "the user's own file\n";
    ASSERT_EQ(symlink(target.c_str(), LOG.c_str()), 0);
    CRM32Pro_ILogSystem::Init(LOG.c_str(), "test");
    EXPECT_FALSE(platform::LogIsFile());
    EXPECT_EQ(ReadAll(target), "the user's own file\n");
    // A FIFO without a reader must not hang the start; the alarm ends a test that waits.
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    alarm(10);
    CRM32Pro_ILogSystem::Init(fifo.c_str(), "test");
    alarm(0);
    EXPECT_FALSE(platform::LogIsFile());
    for (const std::string& f : {LOG, target, fifo}) std::remove(f.c_str());
}

// On a full file system the journal lines that do not fit are lost, but the log says so once
// there is room again, and every line that is there is whole.
TEST(Log, AFullDiskLeavesAGapTheJournalNames) {
    char dir[] = "/tmp/morvane-log-test-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    if (mount("tmpfs", dir, "tmpfs", 0, "size=16k") != 0) {
        rmdir(dir);
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    }
    const std::string log = std::string(dir) + "/morvane.log", filler = std::string(dir) + "/fill";
    CRM32Pro_ILogSystem::Init(log.c_str(), "test");
    const int fd = open(filler.c_str(), O_WRONLY | O_CREAT, 0600);
    const std::string block(512, 'f');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    close(fd);
    constexpr int LINES = 300;
    for (int i = 0; i < LINES; ++i) CRM32Pro_ILogSystem::Msg("journal @%d flag pause %d", i, i % 2);
    unlink(filler.c_str());
    CRM32Pro_ILogSystem::Msg("journal @%d end", LINES);
    std::istringstream in(ReadAll(log));
    CRM32Pro_ILogSystem::Init(nullptr, "test");
    umount(dir);
    rmdir(dir);

    long flags = 0, lost = 0, ends = 0;
    for (std::string line; std::getline(in, line);) {
        if (!journal::LooksLikeJournal(line)) continue;
        const auto e = journal::ParseLogLine(line);
        ASSERT_TRUE(e) << line;
        flags += e->kind == journal::Kind::Flag;
        if (e->kind == journal::Kind::Lost) {
            EXPECT_EQ(e->frame, static_cast<std::uint64_t>(flags)) << line;
            EXPECT_EQ(ends, 0);
            lost += e->attempts;
        }
        ends += e->kind == journal::Kind::End;
    }
    EXPECT_GT(lost, 0);
    EXPECT_EQ(flags + lost, LINES);
    EXPECT_EQ(ends, 1);
}

}  // namespace

// A second window in the same folder: the first one's log stays whole (not emptied, not written
// into), and the second writes the copy beside it, which names itself.
TEST(Log, ALogHeldByAnotherProgramIsLeftWholeAndACopyIsUsed) {
    const std::string copy = "log_test." + std::to_string(getpid()) + "-2.log";
    {
        std::ofstream first(LOG);
        first << "the first window's record\n";
    }
    const int held = open(LOG.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    CRM32Pro_ILogSystem::Init(LOG.c_str(), "second");
    CRM32Pro_ILogSystem::Msg("journal start seed=8 size=512x512");
    close(held);
    EXPECT_EQ(ReadAll(LOG), "the first window's record\n");
    const std::string second = ReadAll(copy);
    EXPECT_NE(second.find("second log started\n"), std::string::npos) << second;
    EXPECT_NE(second.find("this one logs to " + copy + "\n"), std::string::npos) << second;
    EXPECT_NE(second.find("journal start seed=8"), std::string::npos) << second;
    CRM32Pro_ILogSystem::Init(nullptr, "test");
    std::remove(LOG.c_str());
    std::remove(copy.c_str());
}
