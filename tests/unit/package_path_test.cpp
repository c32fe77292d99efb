// The resource package lookup: the working folder's package wins, anything that is not a
// readable file there falls through to the installed one, and the log line names the choice.
#include "app/package_path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "config_temp_dir.h"

using PackagePathTest = ConfigTempDir;

TEST_F(PackagePathTest, WorkingFolderFirstThenInstalled) {
    const std::string local = Path("local.dpf");
    const std::string installed = Write("installed.dpf", "PK");

    // A folder where the package should be opens for reading but is no package.
    std::filesystem::create_directory(local);
    PackageLocation found = LocatePackage(local, installed);
    EXPECT_EQ(found.path, installed);
    EXPECT_NE(found.note.find("(installed)"), std::string::npos) << found.note;

    std::filesystem::remove(local);
    Write("local.dpf", "PK");
    found = LocatePackage(local, installed);
    EXPECT_EQ(found.path, local);
    EXPECT_NE(found.note.find("working folder"), std::string::npos) << found.note;

    // Neither readable: the installed path is still opened, so the load fails and is logged.
    std::filesystem::remove(local);
    std::filesystem::remove(installed);
    found = LocatePackage(local, installed);
    EXPECT_EQ(found.path, installed);
    EXPECT_NE(found.note.find("none readable"), std::string::npos) << found.note;
    EXPECT_NE(found.note.find(local), std::string::npos) << found.note;
}
