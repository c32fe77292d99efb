// SPDX-License-Identifier: MIT
// The plot plan (pen layers by grey, joins, simplification, the shortest paths left out, the
// order of the paths), the HPGL written from it, and the provenance of SVG and PDF pages read
// back, on strands laid out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "export/png_text.h"
#include "render/out/hpgl.h"
#include "render/out/pages.h"
#include "render/out/plot.h"
#include "render/out/vector.h"

namespace {

// A 200 x 200 canvas at half a mm per pixel on a 120 mm page with 10 mm margins; one pen, and
// no joins, simplification or shortest length unless a test sets them.
PrintPlan PlotPage() {
    PrintPlan plan;
    plan.plot = true;
    plan.canvas_w = plan.canvas_h = 200;
    plan.page_w = plan.page_h = 120;
    plan.left = plan.top = 10;
    plan.scale = plan.pen = 0.5;
    return plan;
}

// A strand through `points` whose every segment has the value `value`.
void AddStrand(StrandRecord& record, std::vector<StrandPoint> points, int value) {
    Strand s;
    s.first = record.points.size();
    s.points = static_cast<std::uint32_t>(points.size());
    s.entries = s.points - 1;
    s.c1 = s.c2 = value;
    record.points.insert(record.points.end(), points.begin(), points.end());
    record.strands.push_back(s);
}

std::vector<StrandPoint> PathPoints(const PlotPaths& paths, std::size_t i) {
    return {paths.points.begin() + static_cast<std::ptrdiff_t>(paths.offsets[i]),
            paths.points.begin() + static_cast<std::ptrdiff_t>(paths.offsets[i + 1])};
}

}  // namespace

bool operator==(StrandPoint a, StrandPoint b) {
    return a.x == b.x && a.y == b.y;
}

TEST(RenderPlot, EachPathIsDrawnFromTheEndNearestThePen) {
    // Three rows of the same direction: the shortest travel draws the middle one backwards.
    StrandRecord record;
    for (const float y : {5.f, 15.f, 25.f}) AddStrand(record, {{5, y}, {100, y}}, 40000);
    const PlotPlan plot = PlanPlot(PlotPage(), record);
    ASSERT_EQ(plot.layers.size(), 1u);
    const PlotLayer& layer = plot.layers[0];
    ASSERT_EQ(layer.paths.size(), 3u);
    EXPECT_TRUE(layer.paths.First(0) == (StrandPoint{5, 5}));
    EXPECT_TRUE(layer.paths.First(1) == (StrandPoint{100, 15}));
    EXPECT_TRUE(layer.paths.First(2) == (StrandPoint{5, 25}));
    // From the page's corner to (5, 5), then 10 pixels twice, at half a mm per pixel.
    EXPECT_NEAR(layer.up, (std::hypot(5, 5) + 20) * 0.5, 1e-4);
    EXPECT_NEAR(layer.down, 3 * 95 * 0.5, 1e-4);
}

namespace {

// The pen-up travel of drawing the strands of `record` nearest end first, in canvas pixels.
double GreedyTravel(const StrandRecord& record) {
    std::vector<std::pair<StrandPoint, StrandPoint>> left;
    for (const Strand& s : record.strands)
        left.emplace_back(record.points[s.first], record.points[s.first + s.points - 1]);
    double travel = 0;
    StrandPoint pen{0, 0};
    while (!left.empty()) {
        std::size_t best = 0;
        bool from_last = false;
        double d = HUGE_VAL;
        for (std::size_t i = 0; i < left.size(); ++i)
            for (const bool last : {false, true}) {
                const double di = Distance(pen, last ? left[i].second : left[i].first);
                if (di < d) std::tie(d, best, from_last) = std::tuple(di, i, last);
            }
        travel += d;
        pen = from_last ? left[best].first : left[best].second;
        left.erase(left.begin() + static_cast<std::ptrdiff_t>(best));
    }
    return travel;
}

}  // namespace

TEST(RenderPlot, TheOrderTravelsLessThanNearestEndFirstAndDrawsEveryPathOnce) {
    // Four hundred short strands scattered by a fixed linear congruential sequence, in every
    // direction: turning and moving runs of them must shorten the travel, and lose or repeat none.
    StrandRecord record;
    std::uint32_t r = 12345;
    const auto next = [&] { return static_cast<float>((r = r * 1103515245 + 12345) >> 16 & 4095); };
    for (int n = 0; n < 400; ++n) {
        const StrandPoint a{next() / 4096 * 190 + 5, next() / 4096 * 190 + 5};
        AddStrand(record, {a, {a.x + next() / 4096 * 8 - 4, a.y + next() / 4096 * 8 - 4}}, 40000);
    }
    const PlotPlan plot = PlanPlot(PlotPage(), record);
    const PlotPaths& paths = plot.layers[0].paths;
    ASSERT_EQ(paths.size(), 400u);
    std::vector<std::pair<float, float>> drawn, given;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        // Each path by its end with the smaller x, whichever way it is drawn.
        const StrandPoint f = paths.First(i), l = paths.Last(i);
        drawn.emplace_back(std::min(f.x, l.x), f.x < l.x ? f.y : l.y);
    }
    for (const Strand& s : record.strands) {
        const StrandPoint f = record.points[s.first], l = record.points[s.first + 1];
        given.emplace_back(std::min(f.x, l.x), f.x < l.x ? f.y : l.y);
    }
    std::sort(drawn.begin(), drawn.end());
    std::sort(given.begin(), given.end());
    EXPECT_EQ(drawn, given);
    const double greedy = GreedyTravel(record) * 0.5;
    EXPECT_LT(plot.layers[0].up, greedy * 0.9);
}

TEST(RenderPlot, PathsMeetingEndToEndAreJoinedAndShortOnesLeftOut) {
    StrandRecord record;
    AddStrand(record, {{10, 50}, {30, 50}, {50, 50}}, 40000);
    // Its last point meets the first strand's last: it joins turned round.
    AddStrand(record, {{90, 50}, {50.5f, 50}}, 40000);
    AddStrand(record, {{10, 150}, {90, 150}}, 40000);
    // Shorter than the pen is wide.
    AddStrand(record, {{150, 150}, {150.4f, 150}}, 40000);
    PrintPlan plan = PlotPage();
    plan.merge = 0.5;  // one pixel
    plan.min_length = 0.5;
    const PlotPlan plot = PlanPlot(plan, record);
    const PlotPaths& joined = plot.layers[0].paths;
    ASSERT_EQ(joined.size(), 2u);
    const std::vector<StrandPoint> want = {{10, 50}, {30, 50}, {50, 50}, {50.5f, 50}, {90, 50}};
    EXPECT_TRUE(PathPoints(joined, 0) == want);
    // Simplified, the straight path keeps its ends alone.
    plan.simplify = 0.05;
    EXPECT_EQ(PlanPlot(plan, record).layers[0].paths.Length(0), 2u);
    plan.merge = plan.min_length = 0;
    EXPECT_EQ(PlanPlot(plan, record).layers[0].paths.size(), 4u);
}

TEST(RenderPlot, SegmentsGoToThePenOfTheirGreyFaintestFirst) {
    StrandRecord record;
    AddStrand(record, {{10, 10}, {50, 10}}, 8000);
    AddStrand(record, {{10, 20}, {50, 20}}, 30000);
    AddStrand(record, {{10, 30}, {50, 30}}, 60000);
    AddStrand(record, {{10, 40}, {50, 40}}, 62000);
    // Black segments show nothing on the canvas and are left out.
    AddStrand(record, {{10, 60}, {50, 60}}, 0);
    PrintPlan plan = PlotPage();
    plan.pens = 4;
    const PlotPlan plot = PlanPlot(plan, record);
    ASSERT_EQ(plot.layers.size(), 4u);
    const std::size_t counts[] = {1, 1, 0, 2};
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(plot.layers[k].paths.size(), counts[k]) << k;
    EXPECT_NEAR(plot.layers[0].grey, 8000, 1);
    EXPECT_NEAR(plot.layers[3].grey, 61000, 1);
    EXPECT_EQ(LayerLabel(plot.layers[3], 3), "4 pen 4, grey 0.750-1.000");
    // Above half grey only: the two faint strands are gone, the bands split what is left.
    plan.pens = 2;
    plan.min_grey = 0.5;
    const PlotPlan bright = PlanPlot(plan, record);
    EXPECT_EQ(bright.layers[0].paths.size() + bright.layers[1].paths.size(), 2u);
    EXPECT_EQ(bright.layers[0].low, 32768);
}

TEST(RenderPlot, SimplifyingKeepsCornersAndTurnsBack) {
    std::vector<StrandPoint> bend = {{0, 0}, {1, 0.01f}, {2, 0}, {2, 5}};
    SimplifyPath(bend, 0.1);
    EXPECT_TRUE(bend == (std::vector<StrandPoint>{{0, 0}, {2, 0}, {2, 5}}));
    // A path that doubles back on its own line: the far point lies off the segment's ends.
    std::vector<StrandPoint> back = {{0, 0}, {10, 0}, {5, 0}};
    SimplifyPath(back, 0.1);
    EXPECT_EQ(back.size(), 3u);
}

TEST(RenderPlot, HpglReadBackGivesThePlansPaths) {
    StrandRecord record;
    AddStrand(record, {{10, 10}, {60, 12.3f}, {80, 40}}, 10000);
    AddStrand(record, {{100, 100}, {150, 120}}, 50000);
    AddStrand(record, {{20, 180}, {30, 170}, {45.5f, 199}}, 50000);
    PrintPlan plan = PlotPage();
    plan.pens = 2;
    const PlotPlan plot = PlanPlot(plan, record);
    std::ostringstream out;
    WriteHpgl(plan, plot, out);
    // Each command: pen (SPn), a move to a path's start (PU), points along it (PD).
    std::map<int, std::vector<std::vector<std::pair<long, long>>>> read;
    int pen = 0;
    std::istringstream in(out.str());
    std::string command;
    while (std::getline(in >> std::ws, command, ';')) {
        const std::string op = command.substr(0, 2);
        std::vector<long> numbers;
        std::istringstream args(command.substr(2));
        for (long v = 0; args >> v; args.ignore(1)) numbers.push_back(v);
        if (op == "SP") pen = numbers.empty() ? 0 : static_cast<int>(numbers[0]);
        if (op == "PU" && numbers.size() == 2) read[pen].push_back({});
        if ((op == "PU" && numbers.size() == 2) || op == "PD")
            for (std::size_t i = 0; i + 1 < numbers.size(); i += 2)
                read[pen].back().emplace_back(numbers[i], numbers[i + 1]);
    }
    EXPECT_EQ(pen, 0) << "the pen is put away at the end";
    for (std::size_t k = 0; k < plot.layers.size(); ++k) {
        const PlotPaths& paths = plot.layers[k].paths;
        ASSERT_EQ(read[static_cast<int>(k) + 1].size(), paths.size()) << "pen " << k + 1;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            std::vector<std::pair<long, long>> want;
            for (const StrandPoint p : PathPoints(paths, i))
                want.emplace_back(std::lround((plan.left + p.x * plan.scale) * 40),
                                  std::lround((plan.page_h - plan.top - p.y * plan.scale) * 40));
            EXPECT_EQ(read[static_cast<int>(k) + 1][i], want) << "pen " << k + 1 << " path " << i;
        }
    }
}

TEST(RenderPages, NamedPagesTurnWithTheCanvasOrAsTold) {
    double w = 0, h = 0;
    ASSERT_TRUE(NamedPage("a5", 512, 512, w, h));
    EXPECT_DOUBLE_EQ(w, 148);
    EXPECT_DOUBLE_EQ(h, 210);
    ASSERT_TRUE(NamedPage("Letter", 800, 512, w, h));
    EXPECT_DOUBLE_EQ(w, 279.4);
    EXPECT_DOUBLE_EQ(h, 215.9);
    ASSERT_TRUE(NamedPage("A4-landscape", 512, 800, w, h));
    EXPECT_DOUBLE_EQ(w, 297);
    EXPECT_DOUBLE_EQ(h, 210);
    ASSERT_TRUE(NamedPage("B4-portrait", 800, 512, w, h));
    EXPECT_DOUBLE_EQ(w, 250);
    EXPECT_DOUBLE_EQ(h, 353);
    EXPECT_FALSE(NamedPage("A7", 512, 512, w, h));
    EXPECT_FALSE(NamedPage("A4-sideways", 512, 512, w, h));
    EXPECT_FALSE(NamedPage("-landscape", 512, 512, w, h));
}

TEST(RenderProvenance, SvgAndPdfGiveBackTheirTextAsWritten) {
    const std::vector<TextChunk> text = {
        {"Software", "morvane-render 9"},
        {"morvane:seed", "7"},
        {"morvane:settings", "curl = 0.002\npng file = \"a&b<c>\" (x) \\ y; 'q' %22\n"},
    };
    PrintPlan plan = PlotPage();
    plan.plot = false;
    plan.as_shown = true;
    const StrandRecord none;
    for (const std::string path : {"provenance.svg", "provenance.pdf"}) {
        {
            std::ofstream out(path, std::ios::binary);
            if (path.ends_with(".svg"))
                WriteSvg(plan, none, text, out);
            else
                WritePdf(plan, none, text, out);
        }
        std::map<std::string, std::string> read;
        std::string error;
        ASSERT_TRUE(ReadTextChunks(path, read, error)) << path << ": " << error;
        for (const TextChunk& chunk : text) EXPECT_EQ(read[chunk.keyword], chunk.text) << path;
        std::remove(path.c_str());
    }
}
