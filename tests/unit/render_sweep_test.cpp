// SPDX-License-Identifier: MIT
// A sweep's plan (which pictures, under which names) and its resume: a picture already on disk is
// kept only when its chunks say it was made the same way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config_temp_dir.h"
#include "export/export.h"
#include "render/batch/sweep.h"
#include "render/cli/options.h"
#include "render/session/session.h"

using RenderSweep = ConfigTempDir;

// The varied values of an item, "key=value" each, for comparing.
std::string Values(const SweepItem& item) {
    std::string text;
    for (const auto& [key, value] : item.values) text += key + "=" + value + " ";
    return text;
}

TEST_F(RenderSweep, PlansEverySeedOfTheRangeAndEveryValueOfTheVariedSettings) {
    RenderOptions o;
    o.sweep_first = 7;
    o.sweep_last = 9;
    SweepPlan plan;
    std::string error;
    ASSERT_TRUE(PlanSweep(o, 0, "out", plan, error)) << error;
    ASSERT_EQ(plan.items.size(), 3u);
    EXPECT_EQ(plan.items[0].seed, 7u);
    EXPECT_EQ(plan.items[2].seed, 9u);
    EXPECT_EQ(plan.items[2].label, "seed 9");
    EXPECT_EQ(plan.items[2].file.rfind("out/", 0), 0u) << plan.items[2].file;

    // An integer setting from 0 to 10 in three steps, all at the one seed given; one value is the
    // first one, not a division by zero.
    o.vary = {{"from angle", 0, 10, 3}};
    ASSERT_TRUE(PlanSweep(o, 42, "out", plan, error)) << error;
    ASSERT_EQ(plan.items.size(), 3u);
    EXPECT_EQ(Values(plan.items[1]), "from angle=5 ");
    EXPECT_EQ(Values(plan.items[2]), "from angle=10 ");
    EXPECT_EQ(plan.items[2].seed, 42u);
    o.vary = {{"from angle", 3, 10, 1}};
    ASSERT_TRUE(PlanSweep(o, 42, "out", plan, error)) << error;
    ASSERT_EQ(plan.items.size(), 1u);
    EXPECT_EQ(Values(plan.items[0]), "from angle=3 ");

    // Two settings make a grid, row by row: each picture its own file.
    o.vary = {{"from angle", 0, 10, 2}, {"num sprouts", 1, 3, 3}};
    ASSERT_TRUE(PlanSweep(o, 42, "out", plan, error)) << error;
    ASSERT_EQ(plan.items.size(), 6u);
    EXPECT_EQ(plan.grid.columns, 3);
    EXPECT_EQ(Values(plan.items[2]), "from angle=0 num sprouts=3 ");
    EXPECT_EQ(Values(plan.items[3]), "from angle=10 num sprouts=1 ");
    for (std::size_t i = 1; i < plan.items.size(); ++i)
        EXPECT_NE(plan.items[i].file, plan.items[i - 1].file);

    o.vary = {{"no such key", 0, 1, 2}};
    EXPECT_FALSE(PlanSweep(o, 42, "out", plan, error));
    EXPECT_NE(error.find("no such key"), std::string::npos) << error;
}

TEST_F(RenderSweep, APictureIsDoneOnlyWhenMadeTheSameWay) {
    const std::string png = Path("7.png");
    const std::string settings = "curl = 0.002\n";
    const std::string toggles = "white=0 fill-holes=0";
    const std::vector<TextChunk> text = {{"morvane:seed", "7"},
                                         {"morvane:goal", PictureGoal(300, 0)},
                                         {"morvane:toggles", toggles},
                                         {"morvane:settings", settings}};
    ASSERT_TRUE(WriteOutput(png, 0, text));

    const std::string goal = PictureGoal(300, 0);
    EXPECT_TRUE(MadeAs(png, {7, goal, toggles, settings}));
    EXPECT_FALSE(MadeAs(png, {7, PictureGoal(301, 0), toggles, settings})) << "another frame count";
    EXPECT_FALSE(MadeAs(png, {7, PictureGoal(300, 40), toggles, settings})) << "a lit goal";
    EXPECT_FALSE(MadeAs(png, {8, goal, toggles, settings})) << "another seed";
    EXPECT_FALSE(MadeAs(png, {7, goal, "white=1 fill-holes=0", settings})) << "other toggles";
    EXPECT_FALSE(MadeAs(png, {7, goal, toggles, "curl = 0.003\n"})) << "other settings";
    EXPECT_FALSE(MadeAs(Path("missing.png"), {7, goal, toggles, settings}));
    // Two lit goals differ by their share too.
    EXPECT_NE(PictureGoal(300, 40), PictureGoal(300, 41));
}
