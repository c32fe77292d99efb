// SPDX-License-Identifier: MIT
// The cost of a window save's provenance: SaveImage of a 4096 x 4096 canvas with the chunks of a
// session that made 100,000 changes, against the same save with a journal of a few lines (the
// floor: the image itself). Prints both times (best of the repetitions) and their ratio. Run from
// a folder on the disk that matters: the file is written into the working directory.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/history.h"
#include "engine/canvas.h"
#include "engine/frame.h"
#include "engine/growth_pass.h"
#include "engine/journal.h"
#include "engine/random.h"
#include "engine/settings.h"
#include "export/export.h"
#include "platform/platform.h"
#include "summary.h"

namespace {

constexpr const char* SAVED_FILE = "bench_history_save.png";
constexpr int SIZE = 4096;
// Growth passes before the saves: enough strands that the image compresses as a picture does.
constexpr int PASSES = 300;

struct LibraryRandom {
    double operator()() const { return CRM32Pro_Main::RandReal(); }
};

void GrowCanvas() {
    static bool grown = false;
    if (grown) return;
    ResetSettings();
    xs = ys = SIZE;
    tests_per_frame = 100000;
    CRM32Pro_Main::RandSeed(7);
    RestartClear();
    LibraryRandom rand;
    for (int i = 0; i < PASSES; ++i) growth::GrowthPassWith(rand);
    grown = true;
}

// A session journal with `changes` setting changes after its start lines, as a held button
// writes them: one "curl" value per frame.
void MakeJournal(int changes) {
    const SettingRow* curl = nullptr;
    for (const SettingRow& row : settings_table)
        if (std::string(row.key) == "curl") curl = &row;
    HistoryStart(7, 0);
    journal::Entry start;
    start.seed = 7;
    start.width = start.height = SIZE;
    HistoryWrite(journal::Format(start), false);
    for (int i = 0; i < changes; ++i) {
        *std::get<float*>(curl->target) = 0.002f + 1e-7f * static_cast<float>(i);
        HistoryWrite(journal::Format(journal::SettingEntry(*curl, i)), false);
    }
}

void BM_SaveWithJournal(benchmark::State& state) {
    GrowCanvas();
    MakeJournal(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const auto chunks = ProvenanceChunks(SAVED_FILE, 100000);
        if (!SaveImage(SAVED_FILE, chunks).saved) state.SkipWithError("SaveImage failed");
    }
    state.counters["journal_bytes"] = static_cast<double>(ProvenanceChunks("", 0)[2].text.size());
}
BENCHMARK(BM_SaveWithJournal)
    ->Arg(20)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
    // The history of these fake sessions goes to a scratch folder, never the user's.
    char state[] = "/tmp/morvane-bench-XXXXXX";
    if (!mkdtemp(state)) return 1;
    setenv("XDG_STATE_HOME", state, 1);
    CRM32Pro_ILogSystem::Init("/dev/null", "bench");
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    HistoryEnd();
    unlink(SAVED_FILE);
    std::system((std::string("rm -rf ") + state).c_str());
    const BestRun* s = reporter.Find("BM_SaveWithJournal/20");
    const BestRun* l = reporter.Find("BM_SaveWithJournal/100000");
    if (!s || !l) return 1;
    std::printf(
        "4096 save, CPU time: %.0f ms with a short journal (the floor), %.0f ms with "
        "100,000 changes (%.1f MB of journal): ratio %.2f; wall time %.0f ms and %.0f ms: "
        "ratio %.2f\n",
        s->cpu, l->cpu, l->Counter("journal_bytes") / 1e6, l->cpu / s->cpu, s->real, l->real,
        l->real / s->real);
    return 0;
}
