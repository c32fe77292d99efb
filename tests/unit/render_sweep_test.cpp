// A sweep's plan (which pictures, under which names) and its resume: a picture already on disk is
// kept only when its chunks say it was made the same way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config_temp_dir.h"
#include "export/export.h"
#include "render/options.h"
#include "render/session.h"
#include "render/sweep.h"

using RenderSweep = ConfigTempDir;

TEST_F(RenderSweep, PlansEverySeedOfTheRangeAndEveryValueOfTheVariedSetting) {
    RenderOptions o;
    o.dir = "out";
    o.sweep_first = 7;
    o.sweep_last = 9;
    std::vector<SweepItem> items;
    std::string error;
    ASSERT_TRUE(PlanSweep(o, 0, items, error));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].file, "out/7.png");
    EXPECT_EQ(items[2].file, "out/9.png");
    EXPECT_EQ(items[2].seed, 9u);
    EXPECT_EQ(items[2].label, "seed 9");

    // An integer setting from 0 to 10 in three steps; all at the one seed given.
    o.vary_key = "from angle";
    o.vary_from = 0;
    o.vary_to = 10;
    o.vary_count = 3;
    ASSERT_TRUE(PlanSweep(o, 42, items, error));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].value, "5");
    EXPECT_EQ(items[2].value, "10");
    EXPECT_EQ(items[2].file, "out/from-angle-10.png");
    EXPECT_EQ(items[2].seed, 42u);
    // One value is the first one, not a division by zero.
    o.vary_count = 1;
    ASSERT_TRUE(PlanSweep(o, 42, items, error));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].value, "0");

    o.vary_key = "no such key";
    EXPECT_FALSE(PlanSweep(o, 42, items, error));
    EXPECT_NE(error.find("'no such key' is not a setting"), std::string::npos) << error;
}

TEST_F(RenderSweep, APictureIsDoneOnlyWhenMadeWithTheSameSeedGoalAndSettings) {
    const std::string png = Path("7.png");
    const std::string settings = "curl = 0.002\n";
    const std::vector<TextChunk> text = {{"morvane:seed", "7"},
                                         {"morvane:goal", PictureGoal(300, 0)},
                                         {"morvane:settings", settings}};
    ASSERT_TRUE(WriteOutput(png, 0, text));

    EXPECT_TRUE(MadeAs(png, {7, PictureGoal(300, 0), settings}));
    EXPECT_FALSE(MadeAs(png, {7, PictureGoal(301, 0), settings})) << "another frame count";
    EXPECT_FALSE(MadeAs(png, {7, PictureGoal(300, 40), settings})) << "a lit goal";
    EXPECT_FALSE(MadeAs(png, {8, PictureGoal(300, 0), settings})) << "another seed";
    EXPECT_FALSE(MadeAs(png, {7, PictureGoal(300, 0), "curl = 0.003\n"})) << "other settings";
    EXPECT_FALSE(MadeAs(Path("missing.png"), {7, PictureGoal(300, 0), settings}));
    // Two lit goals differ by their share too.
    EXPECT_NE(PictureGoal(300, 40), PictureGoal(300, 41));
}
