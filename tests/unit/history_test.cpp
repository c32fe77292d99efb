// SPDX-License-Identifier: MIT
// The session history's writer: the bounds it keeps, and a folder it must not trust.
#include "app/history.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "config/session_files.h"
#include "config_temp_dir.h"

namespace fs = std::filesystem;

namespace {

class History : public ConfigTempDir {
protected:
    void SetUp() override {
        ConfigTempDir::SetUp();
        const char* before = std::getenv("XDG_STATE_HOME");
        saved_ = before ? before : "";
        setenv("XDG_STATE_HOME", dir.c_str(), 1);
    }
    void TearDown() override {
        HistoryEnd();
        setenv("XDG_STATE_HOME", saved_.c_str(), 1);
        ConfigTempDir::TearDown();
    }
    fs::path Sessions() const { return dir / "morvane" / "sessions"; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(Sessions()))
            names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    // A session file started `second` seconds into 2026, `bytes` long (sparse: no disk used).
    void Session(int second, std::uintmax_t bytes = 0) const {
        const fs::path p = Sessions() / SessionFileName(1767225600 + second, 7, 1);
        std::ofstream{p};
        fs::resize_file(p, bytes);
    }

    // The thumbnail (or with `temp` its temporary file) of that session, `bytes` long.
    fs::path Thumbnail(int second, std::uintmax_t bytes, bool temp = false) const {
        const std::string session = SessionFileName(1767225600 + second, 7, 1);
        const fs::path p =
            Sessions() / (temp ? ThumbnailTempName(session) : ThumbnailFileName(session));
        std::ofstream{p};
        fs::resize_file(p, bytes);
        return p;
    }

private:
    std::string saved_;
};

}  // namespace

TEST_F(History, KeepsTheNewestSessionsWithinBothBounds) {
    fs::create_directories(Sessions());
    for (int i = 0; i < 505; ++i) Session(i);
    Write("morvane/sessions/notes.txt", "mine");
    fs::create_symlink("/etc/passwd", Sessions() / SessionFileName(1767225600 - 5, 7, 1));
    const int fd = open(Sessions().c_str(), O_RDONLY | O_DIRECTORY);
    const std::string keep = SessionFileName(1767225600 + 999, 7, 1);
    Session(999);
    EXPECT_EQ(PruneSessions(fd, keep, HISTORY_SESSIONS, HISTORY_BYTES, 1767225600 + 999), 6);
    auto names = Names();
    // 499 and this session, the newest; the other file and the link are not the history's.
    ASSERT_EQ(names.size(), 502u);
    EXPECT_EQ(names[1], SessionFileName(1767225600 + 6, 7, 1));
    EXPECT_TRUE(fs::exists(Sessions() / "notes.txt"));
    EXPECT_TRUE(fs::is_symlink(Sessions() / SessionFileName(1767225600 - 5, 7, 1)));

    // 100 MiB each: the two newest and this one (50 MiB) fit in 256 MiB, the older ones go.
    for (int i = 500; i < 505; ++i) Session(i, std::uintmax_t{100} << 20);
    Session(999, std::uintmax_t{50} << 20);
    EXPECT_EQ(PruneSessions(fd, keep, HISTORY_SESSIONS, HISTORY_BYTES, 1767225600 + 999), 497);
    names = Names();
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[1], SessionFileName(1767225600 + 503, 7, 1));
    close(fd);
}

// A clock that once ran ahead left sessions named and written in 2030; the clock is right again.
// The session before this one is the newest real one and stays; the 2030 files, of unknown age,
// go first.
TEST_F(History, FilesFromAClockThatRanAheadNeverEvictThePreviousSession) {
    fs::create_directories(Sessions());
    const std::time_t now = 1767225600;
    const auto session = [&](std::time_t named, std::time_t written) {
        const std::string name = SessionFileName(named, 7, 1);
        std::ofstream{Sessions() / name};
        fs::last_write_time(
            Sessions() / name,
            fs::file_time_type::clock::from_sys(std::chrono::system_clock::from_time_t(written)));
        return name;
    };
    const std::time_t year_2030 = 1893456000;
    for (int i = 0; i < 4; ++i) session(year_2030 + i, year_2030 + i);
    const std::string older = session(now - 7200, now - 7200);
    const std::string previous = session(now - 60, now - 10);
    const std::string keep = session(now, now);
    const int fd = open(Sessions().c_str(), O_RDONLY | O_DIRECTORY);
    EXPECT_EQ(PruneSessions(fd, keep, 3, HISTORY_BYTES, now), 4);
    close(fd);
    EXPECT_EQ(Names(), (std::vector<std::string>{older, previous, keep}));
}

TEST_F(History, TwoStartsInOneSecondKeepTwoPrivateFilesAndTwoSeeds) {
    const std::time_t start = 1767225600;
    EXPECT_EQ(HistoryStart(7, start), 7u);
    HistoryWrite("journal start seed=7 size=512x512", true);
    const std::string first = HistoryFile();
    EXPECT_EQ(HistoryStart(7, start), 8u);
    EXPECT_EQ(HistoryFile(), (Sessions() / SessionFileName(start, 8, 1)).string());
    EXPECT_EQ(Names().size(), 2u);
    EXPECT_NE(Read(first).find(" journal start seed=7 size=512x512\n"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(stat(Sessions().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(stat(first.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(History, NeverWritesThroughALinkOrIntoAFile) {
    // A link planted where this session's file goes: the link's target stays untouched.
    fs::create_directories(Sessions());
    Write("elsewhere", "untouched");
    fs::create_symlink(dir / "elsewhere", Sessions() / SessionFileName(1767225600, 7, 1));
    HistoryStart(7, 1767225600);
    HistoryWrite("journal start seed=7 size=512x512", true);
    EXPECT_EQ(Read(Path("elsewhere")), "untouched");
    EXPECT_EQ(HistoryFile(), (Sessions() / SessionFileName(1767225600, 8, 1)).string());

    // The folder itself a link to elsewhere, then a plain file: no history, and no error.
    HistoryEnd();
    fs::remove_all(Sessions());
    fs::create_directory(dir / "other");
    fs::create_directory_symlink(dir / "other", Sessions());
    HistoryStart(7, 1767225600);
    HistoryWrite("journal start seed=7 size=512x512", true);
    EXPECT_EQ(HistoryFile(), "");
    EXPECT_TRUE(fs::is_empty(dir / "other"));
    fs::remove(Sessions());
    Write("morvane/sessions", "a file");
    HistoryStart(7, 1767225600);
    EXPECT_EQ(HistoryFile(), "");
    EXPECT_EQ(Read(Path("morvane/sessions")), "a file");
}

// A thumbnail counts with its session and goes with it; one whose session is gone goes alone.
// A link or folder with a thumbnail's name is not the history's.
TEST_F(History, ThumbnailsCountAndGoWithTheirSessions) {
    fs::create_directories(Sessions());
    constexpr std::uintmax_t MiB = std::uintmax_t{1} << 20;
    for (int i = 0; i < 3; ++i) Session(i, 10 * MiB);
    const fs::path oldest = Thumbnail(0, MiB), big = Thumbnail(1, 80 * MiB);
    const fs::path newest = Thumbnail(2, 10 * MiB);
    // Of sessions gone: a thumbnail, a temporary one a crash left, a link and a folder.
    const fs::path orphan = Thumbnail(50, MiB), temp = Thumbnail(51, MiB, true);
    const fs::path link = Sessions() / ThumbnailFileName(SessionFileName(1767225600 + 52, 7, 1));
    Write("elsewhere", "untouched");
    fs::create_symlink(dir / "elsewhere", link);
    const fs::path folder = Sessions() / ThumbnailFileName(SessionFileName(1767225600 + 53, 7, 1));
    fs::create_directory(folder);
    Session(999, 10 * MiB);
    const int fd = open(Sessions().c_str(), O_RDONLY | O_DIRECTORY);
    // 10 + 20 fit in 100 MiB; the session before with its thumbnail makes 120 and goes, and so
    // does the oldest, with theirs.
    EXPECT_EQ(
        PruneSessions(fd, SessionFileName(1767225600 + 999, 7, 1), 10, 100 * MiB, 1767225600 + 999),
        2);
    close(fd);
    EXPECT_FALSE(fs::exists(Sessions() / SessionFileName(1767225600 + 1, 7, 1)));
    EXPECT_FALSE(fs::exists(big));
    EXPECT_FALSE(fs::exists(oldest));
    EXPECT_TRUE(fs::exists(newest));
    EXPECT_FALSE(fs::exists(orphan));
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(Names().size(), 5u);
}
