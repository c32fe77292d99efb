// SPDX-License-Identifier: MIT
// Numbered save paths: which "%" is a number field, and that the search for a free number never
// hands out a name that exists and stops when the field's numbers are used up.
#include "config/numbered_path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "config_temp_dir.h"

using NumberedPathTest = ConfigTempDir;

TEST(NumberField, OnlyADigitFieldCountsAndOtherPercentsStayLiteral) {
    EXPECT_FALSE(FindNumberField("morvane.png"));
    EXPECT_FALSE(FindNumberField("100%.png"));
    EXPECT_FALSE(FindNumberField("a%s-%x.png"));
    const auto padded = FindNumberField("50%/shot-%04d.png");
    ASSERT_TRUE(padded);
    EXPECT_EQ(NumberedName("50%/shot-%04d.png", *padded, 7), "50%/shot-0007.png");
    EXPECT_EQ(padded->Last(), 9999);
    const auto plain = FindNumberField("f%d%d.png");
    ASSERT_TRUE(plain);
    EXPECT_EQ(NumberedName("f%d%d.png", *plain, 12), "f12%d.png");
}

TEST_F(NumberedPathTest, SkipsTakenNumbersAndFailsWhenAllAreUsed) {
    const std::string pattern = Path("s-%01d.png");
    Write("s-1.png", "x");
    std::filesystem::create_symlink("nowhere", Path("s-2.png"));
    long next = 1;
    std::string error;
    EXPECT_EQ(NextFreePath(pattern, &next, error), Path("s-3.png"));
    EXPECT_EQ(next, 4);
    for (int n = 3; n <= 9; ++n) Write("s-" + std::to_string(n) + ".png", "x");
    next = 1;
    EXPECT_EQ(NextFreePath(pattern, &next, error), "");
    EXPECT_NE(error.find("taken"), std::string::npos);
    EXPECT_EQ(Read(Path("s-9.png")), "x");
    EXPECT_EQ(NextFreePath(Path("plain.png"), &next, error), Path("plain.png"));
}
