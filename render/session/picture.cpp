// SPDX-License-Identifier: MIT
// render, replay and from: each sets the engine up as the picture was made (the settings and seed,
// or the journal), plans the output for its canvas, runs the frames (taking a video's frames when
// asked) and writes the picture with the text chunks that make it again.
#include "render/session/picture.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <vector>

#include "engine/canvas.h"
#include "engine/frame.h"
#include "engine/journal.h"
#include "engine/settings.h"
#include "morvane/version.h"
#include "render/batch/sweep.h"
#include "render/out/output.h"
#include "render/session/history.h"
#include "render/session/png_text.h"
#include "render/session/replay.h"
#include "render/session/session.h"
#include "render/video/video.h"

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
// --lit stops here at the latest: ten minutes of live growth.
constexpr std::uint64_t LIT_FRAME_LIMIT = 36000;

int Fail(const std::string& text) {
    std::fprintf(stderr, "morvane-render: %s\n", text.c_str());
    return EXIT_FAILED;
}

// A whole number read from a tEXt chunk: digits only, nothing after them.
template <class T>
bool ParseWhole(const std::string& text, T& out) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && r.ec == std::errc{} && r.ptr == text.data() + text.size();
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

// Replays the journal to the state asked for and writes it with the journal that made it.
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
    const std::vector<TextChunk> text = ReplayProvenance(replayed, target);
    // The file then says why from cannot render it again, and so does this run.
    if (!replayed.text_kept)
        std::fprintf(stderr, "morvane-render: %s: %s\n", o.output.c_str(), text[1].text.c_str());
    return WriteOutputWhole(o.output, o.thumb, text) ? 0 : EXIT_FAILED;
}

// from, for a replay's picture: its journal ends at its state, the last save or end, or frame F.
int FromJournal(const std::string& path, std::map<std::string, std::string>& text,
                const RenderOptions& o) {
    Journal j;
    std::string error;
    if (!ParseJournalText(text["morvane:journal"], j, error)) return Fail(path + ": " + error);
    SetCanvasSize(j.start.width, j.start.height);
    if (!PlanOutputFor(o)) return EXIT_USAGE;
    const std::string& target = text["morvane:target"];
    std::uint64_t frame = 0;
    if (target.rfind("frame ", 0) == 0 && ParseWhole(target.substr(6), frame))
        return ReplayJournal(j, RenderOptions::Target::Frame, frame, o);
    if (target == "end") return ReplayJournal(j, RenderOptions::Target::End, 0, o);
    if (target == "save") return ReplayJournal(j, RenderOptions::Target::LastSave, 0, o);
    return Fail(path + ": an unknown morvane:target '" + target + "'");
}

}  // namespace

std::string ExactSettings() {
    std::string text;
    for (const SettingRow& row : settings_table) {
        const journal::Entry e = journal::SettingEntry(row, 0);
        text += std::string(row.key) + " = " + e.value + "\n";
    }
    return text;
}

std::string GoalText(const PictureJob& job) {
    return PictureGoal(job.frames, job.lit);
}

std::string TogglesText(const PictureJob& job) {
    return std::string("white=") + (job.white ? "1" : "0") +
           " fill-holes=" + (job.fill_holes ? "1" : "0");
}

int RenderPicture(const PictureJob& job) {
    StartSession(job.seed);
    SetWhite(job.white);
    // The first frame's restart clear turns pixel fill off, as every restart does in the window:
    // clear now, so that the fill holds from the first growth on.
    if (job.fill_holes) {
        RestartClear();
        SetFill(true);
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

bool LoadPictureSettings(const RenderOptions& o) {
    const char* path = o.settings.empty() ? "defaults.cfg" : o.settings.c_str();
    std::vector<std::string> problems;
    const bool read = LoadSettings(path, &problems);
    if (!read && !o.settings.empty()) {
        // Unread, the file's one problem is why.
        Fail("cannot read settings file " +
             (problems.empty() ? o.settings + ": " + std::strerror(errno) : problems.front()));
        return false;
    }
    // The file's mistakes are warnings: the picture is rendered from what was read.
    for (const std::string& problem : problems)
        std::fprintf(stderr, "morvane-render: %s\n", problem.c_str());
    return true;
}

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

int RenderCommand(const RenderOptions& o) {
    if (!LoadPictureSettings(o)) return EXIT_FAILED;
    if (!PlanOutputFor(o)) return EXIT_USAGE;
    const PictureJob job = JobOf(o, PictureSeed(o));
    return WithVideo(o, [&] { return RenderPicture(job); });
}

int ReplayCommand(const RenderOptions& o) {
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
    SetCanvasSize(j.start.width, j.start.height);
    if (!PlanOutputFor(o)) return EXIT_USAGE;
    return WithVideo(o, [&] { return ReplayJournal(j, target, number, o); });
}

int FromCommand(const RenderOptions& o) {
    std::map<std::string, std::string> text;
    std::string error;
    if (!ReadTextChunks(o.from, text, error)) return Fail(o.from + ": " + error);
    if (text.count("morvane:journal-omitted"))
        return Fail(o.from + ": written without its journal: " + text["morvane:journal-omitted"]);
    if (text.count("morvane:journal")) return FromJournal(o.from, text, o);
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
