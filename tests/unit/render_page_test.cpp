// SPDX-License-Identifier: MIT
// What a web page plays, read from a picture's text chunks: the frame it stops at for each kind
// of picture, and the journal of a render (its settings exactly, its toggles) or a refusal.
#include <gtest/gtest.h>

#include <string>

#include "engine/journal.h"
#include "render/out/page.h"

namespace {

constexpr const char* STAMP = "0000-00-00 00:00:00 journal ";

TEST(PageRecipe, StopsWhereThePictureWasWritten) {
    std::uint64_t stop = 0;
    EXPECT_TRUE(PageStop({{"morvane:frames", "600"}}, stop));
    EXPECT_EQ(stop, 600u);
    const std::string journal = std::string(STAMP) + "start seed=1 size=512x512\n" + STAMP +
                                "@12 restart\n" + STAMP + "@40 save ok \"a.png\"\n";
    EXPECT_TRUE(PageStop({{"morvane:journal", journal}, {"morvane:target", "frame 33"}}, stop));
    EXPECT_EQ(stop, 33u);
    // A replay to its last save (or its end) stops at the frame of the journal's last line.
    EXPECT_TRUE(PageStop({{"morvane:journal", journal}, {"morvane:target", "save"}}, stop));
    EXPECT_EQ(stop, 40u);
    EXPECT_FALSE(PageStop({{"morvane:target", "frame 3x"}}, stop));
    EXPECT_FALSE(PageStop({{"Software", "another program"}}, stop));
}

TEST(PageRecipe, ARendersJournalHoldsItsSettingsAndToggles) {
    const Chunks chunks = {
        {"morvane:seed", "7"},
        {"morvane:toggles", "white=1 fill-holes=1"},
        {"morvane:settings", "width = 640\nheight = 512\npng file = a<b>\"c\ncurl = 0.05\n"}};
    std::string journal, error;
    bool fill = false;
    ASSERT_TRUE(PageJournal(chunks, journal, fill, error)) << error;
    EXPECT_TRUE(fill);
    EXPECT_EQ(journal, std::string(STAMP) + "start seed=7 size=640x512\n" + STAMP +
                           "@0 set \"width\" 640\n" + STAMP + "@0 set \"height\" 512\n" + STAMP +
                           "@0 set \"png file\" \"a<b>%22c\"\n" + STAMP + "@0 set \"curl\" 0.05\n" +
                           STAMP + "@0 flag white 1\n");
    // Each line is one the journal reader takes back.
    for (std::size_t at = 0, end; at < journal.size(); at = end + 1) {
        end = journal.find('\n', at);
        EXPECT_TRUE(journal::ParseLogLine(journal.substr(at, end - at)));
    }
    EXPECT_FALSE(PageJournal({{"morvane:seed", "7"}, {"morvane:settings", "no key = 1\n"}}, journal,
                             fill, error));
    EXPECT_FALSE(PageJournal({{"morvane:journal-omitted", "too long"}}, journal, fill, error));
    EXPECT_EQ(error, "too long");
}

}  // namespace
