// SPDX-License-Identifier: MIT
// morvane-render: renders morvane pictures without a window. main reads the options and runs one
// of three jobs: a new picture from settings and a seed, a replay of a session's journal, or a
// picture again from the tEXt chunks of a PNG this program wrote.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "engine/canvas.h"
#include "engine/frame.h"
#include "engine/journal.h"
#include "engine/settings.h"
#include "export/png_text.h"
#include "morvane/version.h"
#include "render/gallery.h"
#include "render/history.h"
#include "render/options.h"
#include "render/print.h"
#include "render/replay.h"
#include "render/session.h"
#include "render/sheet.h"
#include "render/strands.h"
#include "render/sweep.h"
#include "render/video.h"

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
// --lit stops here at the latest: ten minutes of live growth.
constexpr std::uint64_t LIT_FRAME_LIMIT = 36000;
// Width of a contact sheet's tiles.
constexpr int SHEET_TILE = 256;

// A whole number read from a tEXt chunk: digits only, nothing after them.
template <class T>
bool ParseWhole(const std::string& text, T& out) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && r.ec == std::errc{} && r.ptr == text.data() + text.size();
}

int Fail(const std::string& text) {
    std::fprintf(stderr, "morvane-render: %s\n", text.c_str());
    return EXIT_FAILED;
}

// How the picture is written: the canvas PNG, or the strands as vectors or a print raster.
// Planned once the canvas size is known and before any frame runs; a bad plan is a usage error.
PrintPlan print_plan;
bool PlanOutputFor(const RenderOptions& o) {
    std::string error;
    if (PlanPrint(o, xs, ys, print_plan, error)) {
        if (print_plan.Records()) StartRecording();
        return true;
    }
    std::fprintf(stderr, "morvane-render: %s\n", error.c_str());
    return false;
}

// The settings as exact "key = value" lines, which the settings reader takes back unchanged.
std::string ExactSettings() {
    std::string text;
    for (const SettingRow& row : settings_table) {
        const journal::Entry e = journal::SettingEntry(row, 0);
        text += std::string(row.key) + " = " + e.value + "\n";
    }
    return text;
}

// One new picture: from the current settings and `seed`, `frames` frames or until `lit` percent
// of the canvas is lit; written to `output` unless it is empty (a video alone).
struct PictureJob {
    std::uint32_t seed = 0;
    std::uint64_t frames = 0;
    double lit = DEFAULT_LIT;
    bool white = false, fill_holes = false;
    std::string output, label;
    int thumb = 0;
    bool quiet = false;
};

// Writes the output with Ctrl-C (SIGINT, SIGTERM) held back, so that an interrupt never leaves
// the temporary file of a half-done save behind; it takes effect right after.
bool WriteOutputWhole(const std::string& path, int thumb, std::span<const TextChunk> text) {
    sigset_t quit, before;
    sigemptyset(&quit);
    sigaddset(&quit, SIGINT);
    sigaddset(&quit, SIGTERM);
    sigprocmask(SIG_BLOCK, &quit, &before);
    const bool written = WritePicture(print_plan, path, thumb, text);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return written;
}

// What a picture says of how it was made, in its tEXt chunks.
std::string GoalText(const PictureJob& job) {
    return PictureGoal(job.frames, job.lit);
}
std::string TogglesText(const PictureJob& job) {
    return std::string("white=") + (job.white ? "1" : "0") +
           " fill-holes=" + (job.fill_holes ? "1" : "0");
}

int RenderPicture(const PictureJob& job) {
    StartSession(job.seed);
    white_sprouts = job.white ? 1 : 0;
    // The first frame's restart clear turns pixel fill off, as every restart does in the window:
    // clear now, so that the fill holds from the first growth on.
    if (job.fill_holes) {
        RestartClear();
        do_fill = 1;
    }
    {
        Progress progress("render", job.lit > 0 ? 0 : job.frames, job.quiet);
        const std::uint64_t limit = job.lit > 0 ? LIT_FRAME_LIMIT : job.frames;
        while (FramesRendered() < limit && !(job.lit > 0 && LitPercent() >= job.lit)) RunFrame();
        if (job.lit > 0 && LitPercent() < job.lit)
            std::fprintf(stderr, "morvane-render: %.1f%% lit after %llu frames; stopped there\n",
                         LitPercent(), static_cast<unsigned long long>(FramesRendered()));
        progress.Finish(job.output.empty() ? "(no image)" : job.output);
    }
    if (job.output.empty()) return 0;
    const std::vector<TextChunk> text = {
        {"Software", "morvane-render " MORVANE_VERSION},
        {"morvane:seed", std::to_string(job.seed)},
        {"morvane:frames", std::to_string(FramesRendered())},
        {"morvane:goal", GoalText(job)},
        {"morvane:toggles", TogglesText(job)},
        {"morvane:label", job.label},
        {"morvane:settings", ExactSettings()},
    };
    return WriteOutputWhole(job.output, job.thumb, text) ? 0 : EXIT_FAILED;
}

// The settings of a new picture: --settings, else defaults.cfg here when present.
bool LoadPictureSettings(const RenderOptions& o) {
    const char* path = o.settings.empty() ? "defaults.cfg" : o.settings.c_str();
    std::vector<std::string> problems;
    const bool read = LoadSettings(path, &problems);
    // The file's mistakes are warnings: the picture is rendered from what was read.
    for (const std::string& problem : problems)
        std::fprintf(stderr, "morvane-render: %s\n", problem.c_str());
    if (read || o.settings.empty()) return true;
    Fail("cannot read settings file " + o.settings + ": " + std::strerror(errno));
    return false;
}

// The seed: --seed, else the clock, printed so that it can be written down.
std::uint32_t PictureSeed(const RenderOptions& o) {
    if (o.seed) return *o.seed;
    const auto seed = static_cast<std::uint32_t>(std::time(nullptr));
    std::printf("seed %u\n", seed);
    return seed;
}

PictureJob JobOf(const RenderOptions& o, std::uint32_t seed) {
    PictureJob job;
    job.seed = seed;
    job.frames = o.frames.value_or(0);
    job.lit = o.frames ? 0 : o.lit.value_or(DEFAULT_LIT);
    job.white = o.white;
    job.fill_holes = o.fill_holes;
    job.output = o.output_given || !o.video_wanted() ? o.output : "";
    job.thumb = o.thumb;
    job.quiet = o.quiet;
    return job;
}

// Runs `work` while the frames are taken for a video, when one is asked for.
template <class Work>
int WithVideo(const RenderOptions& o, Work work) {
    std::string error;
    if (o.video_wanted() && !StartVideo(o, error)) return Fail(error);
    const int rc = work();
    if (o.video_wanted() && !FinishVideo(error)) return Fail(error);
    if (o.video_wanted() && !o.quiet)
        std::fprintf(stderr, "video: %llu frames -> %s\n",
                     static_cast<unsigned long long>(VideoFramesTaken()),
                     o.video.empty() ? o.frames_dir.c_str() : o.video.c_str());
    return rc;
}

int Render(const RenderOptions& o) {
    if (!LoadPictureSettings(o)) return EXIT_FAILED;
    if (!PlanOutputFor(o)) return EXIT_USAGE;
    const PictureJob job = JobOf(o, PictureSeed(o));
    return WithVideo(o, [&] { return RenderPicture(job); });
}

// A sweep's child renders one picture; the parent knows the job through these.
RenderOptions sweep_options;
PictureJob SweepJob(const SweepItem& item) {
    PictureJob job = JobOf(sweep_options, item.seed);
    job.output = item.file;
    job.label = item.label;
    job.quiet = true;
    for (const auto& [key, value] : item.values) {
        if (key == "white") job.white = value == "1";
        if (key == "fill-holes") job.fill_holes = value == "1";
    }
    return job;
}

// Gives the varied settings their values for one picture.
void ApplyVariation(const SweepItem& item) {
    for (const auto& [key, value] : item.values) {
        for (const SettingRow& row : settings_table) {
            if (key != row.key) continue;
            journal::Entry e;
            e.kind = journal::Kind::Set;
            e.value = value;
            journal::ApplySetting(row, e);
        }
    }
}

int RenderSweepItem(const SweepItem& item) {
    ApplyVariation(item);
    return RenderPicture(SweepJob(item));
}

// A picture of the sweep is done when its file is whole and says it was made the same way.
bool SweepItemDone(const SweepItem& item) {
    // A file cut short (a full disk, a copy broken off) is rendered again.
    if (!PngIsWhole(item.file)) return false;
    const std::string settings_before = ExactSettings();
    ApplyVariation(item);
    const PictureJob job = SweepJob(item);
    const bool same =
        MadeAs(item.file, {item.seed, GoalText(job), TogglesText(job), ExactSettings()});
    LoadSettingsText(settings_before);
    return same;
}

// A contact sheet's colour map (--palette), read before any picture renders.
ColourMap sheet_colours;
bool LoadSheetColours(const RenderOptions& o) {
    std::string error;
    if (o.palette.empty() || LoadColourMap(o.palette, sheet_colours, error)) return true;
    std::fprintf(stderr, "morvane-render: %s\n", error.c_str());
    return false;
}
const ColourMap* SheetColours(const RenderOptions& o) {
    return o.palette.empty() ? nullptr : &sheet_colours;
}

// The stop of a sweep's pictures as a folder name: "lit-25", "frames-600".
std::string StopName(const PictureJob& job) {
    char text[48];
    if (job.lit > 0)
        std::snprintf(text, sizeof text, "lit-%g", job.lit);
    else
        std::snprintf(text, sizeof text, "frames-%llu",
                      static_cast<unsigned long long>(job.frames));
    return text;
}

// What every picture of the sweep shares, as its folder's sweep.txt records it.
std::string SweepShared(const RenderOptions& o, const PictureJob& job) {
    std::string shared = "stop = " + GoalText(job) + "\n";
    if (!o.vary.empty()) shared += "seed = " + std::to_string(job.seed) + "\n";
    const std::string toggles = std::string("white = ") + (job.white ? "1" : "0") +
                                "\nfill-holes = " + (job.fill_holes ? "1" : "0") + "\n";
    return shared + SharedSettings(o, toggles + ExactSettings());
}

int Sweep(const RenderOptions& o) {
    if (!LoadPictureSettings(o)) return EXIT_FAILED;
    sweep_options = o;
    const PictureJob job = JobOf(o, o.vary.empty() ? 0 : PictureSeed(o));
    const std::string shared = SweepShared(o, job);
    const std::string folder = SweepFolder(o.dir, StopName(job), shared);
    SweepPlan plan;
    std::string error;
    if (!PlanSweep(o, job.seed, folder, plan, error)) return Fail(error);
    if (!o.sheet.empty() && !OutputWritable(o.sheet)) return EXIT_FAILED;
    if (!PrepareSweepFolder(folder, shared, error)) return Fail(error);
    if (!OutputWritable(plan.items.front().file)) return EXIT_FAILED;
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    const int jobs = o.jobs > 0 ? o.jobs : static_cast<int>(cores > 0 ? cores : 1);
    const int rc = RunSweep(plan.items, jobs, o.quiet, RenderSweepItem, SweepItemDone);
    if (!o.quiet) std::fprintf(stderr, "sweep: the pictures are in %s/\n", folder.c_str());
    if (rc != 0) return rc;
    std::vector<SheetTile> tiles;
    std::vector<std::string> files;
    tiles.reserve(plan.items.size());
    files.reserve(plan.items.size());
    for (const SweepItem& item : plan.items) {
        tiles.push_back({item.file, item.label});
        files.push_back(item.file);
    }
    if (!o.sheet.empty() &&
        !BuildSheet(tiles, o.sheet, SHEET_TILE, plan.grid, o.quiet, error, SheetColours(o)))
        return Fail(error);
    if (o.gallery && !WriteGallery(files, folder, plan.grid, o.quiet, error)) return Fail(error);
    return 0;
}

// A sheet or a gallery of files named on the command line; the gallery goes into --dir, else
// beside the first file.
int Sheet(const RenderOptions& o) {
    std::vector<SheetTile> tiles;
    for (const std::string& f : o.files) tiles.push_back({f, ""});
    std::string error;
    if (!o.sheet.empty() &&
        !BuildSheet(tiles, o.sheet, SHEET_TILE, {}, o.quiet, error, SheetColours(o)))
        return Fail(error);
    if (!o.gallery) return 0;
    const auto slash = o.files.front().find_last_of('/');
    const std::string folder = o.dir_given                  ? o.dir
                               : slash == std::string::npos ? "."
                                                            : o.files.front().substr(0, slash);
    if (!WriteGallery(o.files, folder, {}, o.quiet, error)) return Fail(error);
    return 0;
}

int ReplayJournal(Journal& j, RenderOptions::Target target, std::uint64_t number,
                  const RenderOptions& o) {
    std::string error;
    Replayed replayed;
    {
        Progress progress("replay", 0, o.quiet);
        replayed = ReplayTo(j, target, number, error);
        if (replayed.events < 0) return Fail(error);
        progress.Finish(o.output);
    }
    const bool kept = replayed.text_kept;
    const std::vector<TextChunk> text = ReplayProvenance(replayed, target);
    // The file then says why --from cannot render it again, and so does this run.
    if (!kept)
        std::fprintf(stderr, "morvane-render: %s: %s\n", o.output.c_str(), text[1].text.c_str());
    return WriteOutputWhole(o.output, o.thumb, text) ? 0 : EXIT_FAILED;
}

int Replay(const RenderOptions& o) {
    std::string path, error;
    SessionRecord session;
    if (!ResolveSession(o.log, path, error) || !LoadSession(path, session, o.quiet, error))
        return Fail(error);
    if (o.list) {
        ListEvents(session);
        return 0;
    }
    Journal& j = session.journal;
    RenderOptions::Target target = o.target;
    std::uint64_t number = o.target_number;
    // The picture a restart cleared is the canvas after the frames rendered before it.
    if (target == RenderOptions::Target::BeforeRestart) {
        if (!RestartFrame(session, o.target_number, number, error))
            return Fail(path + ": " + error);
        target = RenderOptions::Target::Frame;
    }
    xs = j.start.width;
    ys = j.start.height;
    if (!PlanOutputFor(o)) return EXIT_USAGE;
    return WithVideo(o, [&] { return ReplayJournal(j, target, number, o); });
}

int From(const RenderOptions& o) {
    std::map<std::string, std::string> text;
    std::string error;
    if (!ReadTextChunks(o.from, text, error)) return Fail(o.from + ": " + error);
    if (text.count("morvane:journal-omitted"))
        return Fail(o.from + ": written without its journal: " + text["morvane:journal-omitted"]);
    if (text.count("morvane:journal")) {
        Journal j;
        if (!ParseJournalText(text["morvane:journal"], j, error))
            return Fail(o.from + ": " + error);
        xs = j.start.width;
        ys = j.start.height;
        if (!PlanOutputFor(o)) return EXIT_USAGE;
        // A replay's PNG ends its journal at its state: the last save or end, or frame F.
        const std::string& target = text["morvane:target"];
        std::uint64_t frame = 0;
        if (target.rfind("frame ", 0) == 0 && ParseWhole(target.substr(6), frame))
            return ReplayJournal(j, RenderOptions::Target::Frame, frame, o);
        if (target == "end") return ReplayJournal(j, RenderOptions::Target::End, 0, o);
        if (target == "save") return ReplayJournal(j, RenderOptions::Target::LastSave, 0, o);
        return Fail(o.from + ": an unknown morvane:target '" + target + "'");
    }
    std::uint32_t seed = 0;
    std::uint64_t frames = 0;
    if (!text.count("morvane:settings") || !ParseWhole(text["morvane:seed"], seed) ||
        !ParseWhole(text["morvane:frames"], frames))
        return Fail(o.from +
                    ": not a picture morvane-render wrote (no morvane:seed, "
                    "morvane:frames and morvane:settings chunks)");
    if (!LoadSettingsText(text["morvane:settings"]))
        return Fail(o.from + ": its morvane:settings chunk cannot be read");
    if (!PlanOutputFor(o)) return EXIT_USAGE;
    PictureJob job = JobOf(o, seed);
    job.frames = frames;
    job.lit = 0;
    job.label = text["morvane:label"];
    // Pictures from before the toggles were recorded had both off.
    const std::string& toggles = text["morvane:toggles"];
    job.white = toggles.find("white=1") != std::string::npos;
    job.fill_holes = toggles.find("fill-holes=1") != std::string::npos;
    return RenderPicture(job);
}

}  // namespace

// The file an output names when it is one of the inputs (the same file, by device and inode,
// under any name), or null. Writing it would destroy what is being read.
const std::string* InputAt(const RenderOptions& o, const std::string& output) {
    struct stat out {};
    if (output.empty() || stat(output.c_str(), &out) != 0) return nullptr;
    std::vector<const std::string*> inputs = {&o.settings, &o.log, &o.from};
    for (const std::string& f : o.files) inputs.push_back(&f);
    for (const std::string* input : inputs) {
        struct stat in {};
        if (!input->empty() && stat(input->c_str(), &in) == 0 && in.st_dev == out.st_dev &&
            in.st_ino == out.st_ino)
            return input;
    }
    return nullptr;
}

// False, with one line, when any output of the run is one of its inputs.
bool OutputsApart(const RenderOptions& o) {
    using Mode = RenderOptions::Mode;
    const bool image =
        o.mode != Mode::Sweep && o.mode != Mode::Sheet && (o.output_given || !o.video_wanted());
    for (const std::string* output : {image ? &o.output : &o.sheet, &o.video, &o.sheet}) {
        if (const std::string* input = InputAt(o, *output)) {
            Fail(*output + " is also an input (" + *input + "); choose another output");
            return false;
        }
    }
    return true;
}

int main(int argc, char** argv) {
    std::string error;
    const auto options = ParseOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "morvane-render: %s\nTry 'morvane-render --help'.\n", error.c_str());
        return EXIT_USAGE;
    }
    const RenderOptions& o = *options;
    switch (o.mode) {
        case RenderOptions::Mode::Help:
            std::fputs(HelpText(), stdout);
            return 0;
        case RenderOptions::Mode::Version:
            std::printf("morvane-render %s\n", MORVANE_VERSION);
            return 0;
        default:
            break;
    }
    const bool sheet = o.mode == RenderOptions::Mode::Sweep || o.mode == RenderOptions::Mode::Sheet;
    if (sheet && !LoadSheetColours(o)) return EXIT_USAGE;
    if (!OutputsApart(o)) return EXIT_FAILED;
    if (o.mode == RenderOptions::Mode::Sweep) return Sweep(o);
    if (o.mode == RenderOptions::Mode::History) {
        if (o.sheet.empty() && !o.gallery) return ListHistory();
        return o.sheet.empty() || OutputWritable(o.sheet) ? HistorySheet(o) : EXIT_FAILED;
    }
    if (o.mode == RenderOptions::Mode::Replay && o.list) return Replay(o);
    if (o.mode == RenderOptions::Mode::Sheet) {
        return o.sheet.empty() || OutputWritable(o.sheet) ? Sheet(o) : EXIT_FAILED;
    }
    if (!OutputWritable(o.output)) return EXIT_FAILED;
    if (!o.video.empty() && !OutputWritable(o.video)) return EXIT_FAILED;
    if (o.mode == RenderOptions::Mode::Replay) return Replay(o);
    if (o.mode == RenderOptions::Mode::From) return From(o);
    return Render(o);
}
