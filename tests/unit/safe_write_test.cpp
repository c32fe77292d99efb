// SPDX-License-Identifier: MIT
// Saves that lose nothing: the earlier file survives every failure.
#include "config/safe_write.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SafeWrite : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("safe_write_" + std::to_string(getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all);
        fs::remove_all(dir);
    }
    bool Write(const fs::path& p, const std::string& text, std::string& reason) {
        return WriteFileSafely(
            p.string(), [&](std::ostream& o) { o << text; }, reason);
    }
    size_t Entries() {
        return std::distance(fs::directory_iterator(dir), fs::directory_iterator());
    }
};

TEST_F(SafeWrite, ReplacesTheFileAndKeepsItsMode) {
    const fs::path p = dir / "a.txt";
    std::ofstream(p) << "old";
    chmod(p.c_str(), 0640);
    std::string reason;
    ASSERT_TRUE(Write(p, "new", reason)) << reason;
    EXPECT_EQ(ReadAll(p), "new");
    struct stat st {};
    stat(p.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(SafeWrite, FailuresLeaveTheEarlierFileWholeAndNoTemporary) {
    const fs::path p = dir / "a.txt";
    std::ofstream(p) << "old";
    std::string reason;
    // The writer fails half way.
    EXPECT_FALSE(WriteFileSafely(
        p.string(),
        [](std::ostream& o) {
            o << "partial";
            throw std::runtime_error("encoder failed");
        },
        reason));
    EXPECT_EQ(reason, "encoder failed");
    EXPECT_EQ(ReadAll(p), "old");
    EXPECT_EQ(Entries(), 1u);

    // Missing folder, and a path that is a folder.
    EXPECT_FALSE(Write(dir / "missing" / "a.txt", "x", reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(Write(dir, "x", reason));
    EXPECT_EQ(reason, "the path is a folder");
    EXPECT_FALSE(Write("", "x", reason));
}

TEST_F(SafeWrite, ReadOnlyFileOrFolderStaysUntouched) {
    const fs::path p = dir / "ro.txt";
    std::ofstream(p) << "keep";
    chmod(p.c_str(), 0444);
    std::string reason;
    EXPECT_FALSE(Write(p, "new", reason));
    EXPECT_NE(reason.find("read-only"), std::string::npos) << reason;
    EXPECT_EQ(ReadAll(p), "keep");

    const fs::path sub = dir / "locked";
    fs::create_directories(sub);
    std::ofstream(sub / "a.txt") << "keep";
    chmod(sub.c_str(), 0555);
    EXPECT_FALSE(Write(sub / "a.txt", "new", reason));
    EXPECT_FALSE(Write(sub / "b.txt", "new", reason));
    chmod(sub.c_str(), 0755);
    EXPECT_EQ(ReadAll(sub / "a.txt"), "keep");
    EXPECT_FALSE(fs::exists(sub / "b.txt"));
}

// Nothing but a regular file is replaced: not a FIFO, nor a device node reached through a link.
TEST_F(SafeWrite, RefusesWhatIsNotARegularFile) {
    const fs::path fifo = dir / "fifo.png";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    std::string reason;
    EXPECT_FALSE(Write(fifo, "x", reason));
    EXPECT_NE(reason.find("FIFO"), std::string::npos) << reason;
    EXPECT_TRUE(fs::is_fifo(fifo));

    const fs::path link = dir / "null.png";
    fs::create_symlink("/dev/null", link);
    EXPECT_FALSE(Write(link, "x", reason));
    EXPECT_NE(reason.find("device"), std::string::npos) << reason;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Entries(), 2u);
}

// The temporary name does not grow with the target's: a name of 245 bytes and a relative path of
// 4084 bytes, both valid, can be written.
TEST_F(SafeWrite, SavesNamesNearTheLimits) {
    const fs::path long_name = dir / std::string(245, 'n');
    std::string reason;
    EXPECT_TRUE(Write(long_name, "a", reason)) << reason;
    EXPECT_EQ(ReadAll(long_name), "a");

    const fs::path cwd = fs::current_path();
    fs::current_path(dir);
    std::string relative;
    while (relative.size() < 4084 - 250) relative += std::string(200, 'd') + "/";
    fs::create_directories(relative);
    relative += std::string(4084 - relative.size(), 'f');
    const bool saved = Write(relative, "b", reason);
    const std::string content = ReadAll(relative);
    fs::current_path(cwd);
    EXPECT_TRUE(saved) << reason;
    EXPECT_EQ(content, "b");
}

// A read-only file system is named as such, not as a permission problem.
TEST_F(SafeWrite, NamesAReadOnlyFileSystem) {
    const fs::path mnt = dir / "mnt";
    fs::create_directories(mnt);
    if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, nullptr) != 0)
        GTEST_SKIP() << "cannot mount a file system here: " << std::strerror(errno);
    std::ofstream(mnt / "a.png") << "old";
    std::string reason;
    const bool remounted =
        mount("tmpfs", mnt.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    const bool saved = remounted && Write(mnt / "a.png", "new", reason);
    const std::string content = ReadAll(mnt / "a.png");
    umount(mnt.c_str());
    ASSERT_TRUE(remounted);
    EXPECT_FALSE(saved);
    EXPECT_NE(reason.find(std::strerror(EROFS)), std::string::npos) << reason;
    EXPECT_EQ(reason.find(std::strerror(EACCES)), std::string::npos) << reason;
    EXPECT_EQ(content, "old");
}

// A killed save's temporary file goes with the next save in its folder; one whose owner still
// runs or holds it, one of another user, and any other name stay.
TEST_F(SafeWrite, RemovesOnlyAbandonedTemporaries) {
    const pid_t dead = fork();
    if (dead == 0) _exit(0);
    waitpid(dead, nullptr, 0);
    const pid_t live = getppid();
    auto temp = [&](pid_t pid, const char* random) {
        const fs::path p = dir / (".morvane-" + std::to_string(pid) + "-" + random + ".tmp");
        std::ofstream(p) << "partial";
        return p;
    };
    const fs::path stale = temp(dead, "abcd1234");
    const fs::path running = temp(live, "abcd1234");
    const fs::path held = temp(dead, "held0000");
    const fs::path other = dir / ".morvane-1-x.tmp";
    std::ofstream(other) << "not ours";
    const int lock = open(held.c_str(), O_RDONLY);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);

    std::string reason;
    EXPECT_TRUE(Write(dir / "a.png", "new", reason)) << reason;
    close(lock);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(running));
    EXPECT_TRUE(fs::exists(held));
    EXPECT_TRUE(fs::exists(other));
}

// ---- Injected failures -------------------------------------------------------------------------

enum Call { OPEN, WRITE, FSYNC, CLOSE, RENAME, CALLS };
const char* const CALL_NAMES[] = {"open", "write", "fsync", "close", "rename"};

// Which call fails: the `nth` call of kind `call`, with `error`. Counts reset per save.
struct Injection {
    Call call = CALLS;
    int nth = 0;
    int error = 0;
    int seen[CALLS] = {};
    bool fired = false;
};
Injection injection;

bool Fail(Call call) {
    if (call != injection.call || ++injection.seen[call] != injection.nth) return false;
    injection.fired = true;
    errno = injection.error;
    return true;
}

const SafeWriteCalls FAILING_CALLS = {
    [](int folder, const char* name, int flags, mode_t mode) {
        return Fail(OPEN) ? -1 : openat(folder, name, flags, mode);
    },
    [](int fd, const void* data, size_t size) -> ssize_t {
        return Fail(WRITE) ? -1 : write(fd, data, size);
    },
    [](int fd) { return Fail(FSYNC) ? -1 : fsync(fd); },
    // A failed close still releases the descriptor, as Linux does.
    [](int fd) {
        const int result = close(fd);
        return Fail(CLOSE) ? -1 : result;
    },
    [](int from_folder, const char* from, int to_folder, const char* to) {
        return Fail(RENAME) ? -1 : renameat(from_folder, from, to_folder, to);
    },
};

// Fails each call the writer makes in turn (every open, every chunk written, both syncs, the
// close, the rename), with EIO and with ENOSPC. A failed save leaves the earlier file byte for
// byte; a save that only could not sync its folder is in place with a warning; the system's
// words are in the reason every time and no temporary file is left.
TEST_F(SafeWrite, EveryInjectedFailureIsReportedAndLosesNothing) {
    const fs::path p = dir / "a.png";
    const std::string old_content(100'000, 'o');
    const std::string new_content(200'000, 'n');
    std::ofstream(p, std::ios::binary) << old_content;
    const SafeWriteCalls real = safe_write_calls;
    safe_write_calls = FAILING_CALLS;
    int failed_saves = 0, warnings = 0;
    for (int call = OPEN; call < CALLS; ++call) {
        for (int error : {EIO, ENOSPC}) {
            for (int nth = 1;; ++nth) {
                injection = Injection{static_cast<Call>(call), nth, error};
                std::string reason;
                const bool saved = Write(p, new_content, reason);
                const std::string content = ReadAll(p);
                if (saved) std::ofstream(p, std::ios::binary) << old_content;
                if (!injection.fired) break;
                SCOPED_TRACE(std::string(CALL_NAMES[call]) + " #" + std::to_string(nth) + ": " +
                             std::strerror(error) + " -> " + reason);
                EXPECT_NE(reason.find(std::strerror(error)), std::string::npos);
                EXPECT_TRUE(content == (saved ? new_content : old_content)) << "content";
                EXPECT_EQ(Entries(), 1u);
                failed_saves += !saved;
                warnings += saved;
            }
        }
    }
    safe_write_calls = real;
    // Two opens, four chunks, one close and one rename fail the save, and the file's fsync; the
    // folder's fsync only warns. Each with two errors.
    EXPECT_EQ(failed_saves, 2 * (2 + 4 + 1 + 1 + 1));
    EXPECT_EQ(warnings, 2);
}
}  // namespace
