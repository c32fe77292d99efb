// SPDX-License-Identifier: MIT
// The resource package lookup: the working folder's package wins, then the one beside the
// program, then the installed one; anything that is not a readable file falls through, and the
// log line names the choice.
#include "app/package_path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "config_temp_dir.h"

using PackagePathTest = ConfigTempDir;

TEST_F(PackagePathTest, WorkingFolderFirstThenBesideTheProgramThenInstalled) {
    const std::string local = Path("local.dpf");
    const std::string beside = Path("beside.dpf");
    const std::string installed = Write("installed.dpf", "PK");

    // A folder where the package should be opens for reading but is no package.
    std::filesystem::create_directory(local);
    PackageLocation found = LocatePackage(local, beside, installed);
    EXPECT_EQ(found.path, installed);
    EXPECT_NE(found.note.find("(installed)"), std::string::npos) << found.note;

    Write("beside.dpf", "PK");
    found = LocatePackage(local, beside, installed);
    EXPECT_EQ(found.path, beside);
    EXPECT_NE(found.note.find("beside the program"), std::string::npos) << found.note;

    std::filesystem::remove(local);
    Write("local.dpf", "PK");
    found = LocatePackage(local, beside, installed);
    EXPECT_EQ(found.path, local);
    EXPECT_NE(found.note.find("working folder"), std::string::npos) << found.note;

    // Neither readable: the installed path is still opened, so the load fails and is logged.
    std::filesystem::remove(local);
    std::filesystem::remove(beside);
    std::filesystem::remove(installed);
    found = LocatePackage(local, beside, installed);
    EXPECT_EQ(found.path, installed);
    EXPECT_NE(found.note.find("none readable"), std::string::npos) << found.note;
    EXPECT_NE(found.note.find(local), std::string::npos) << found.note;
}
