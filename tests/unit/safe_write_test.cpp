// Saves that lose nothing: the earlier file survives every failure.
#include "config/safe_write.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
}  // namespace
