// morvane-render: renders morvane pictures without a window. main reads the options and runs one
// of three jobs: a new picture from settings and a seed, a replay of a session's journal, or a
// picture again from the tEXt chunks of a PNG this program wrote.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/journal.h"
#include "engine/settings.h"
#include "morvane/version.h"
#include "render/options.h"
#include "render/png_text.h"
#include "render/replay.h"
#include "render/session.h"

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
constexpr std::uint64_t DEFAULT_FRAMES = 600;
// --lit stops here at the latest: ten minutes of live growth.
constexpr std::uint64_t LIT_FRAME_LIMIT = 36000;

bool ParseSeed(const std::string& text, std::uint32_t& seed) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), seed);
    return !text.empty() && r.ec == std::errc{} && r.ptr == text.data() + text.size();
}

bool ParseFrameNumber(const std::string& text, std::uint64_t& frames) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), frames);
    return !text.empty() && r.ec == std::errc{} && r.ptr == text.data() + text.size();
}

int Fail(const std::string& text) {
    std::fprintf(stderr, "morvane-render: %s\n", text.c_str());
    return EXIT_FAILED;
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

// Renders frames from the current settings with `seed`: `frames` of them, or until `lit` percent
// of the canvas is lit.
int RenderPicture(std::uint32_t seed, std::uint64_t frames, double lit, const RenderOptions& o) {
    StartSession(seed);
    {
        Progress progress("render", lit > 0 ? 0 : frames, o.quiet);
        const std::uint64_t limit = lit > 0 ? LIT_FRAME_LIMIT : frames;
        while (FramesRendered() < limit && !(lit > 0 && LitPercent() >= lit)) RunFrame();
        if (lit > 0 && LitPercent() < lit)
            std::fprintf(stderr, "morvane-render: %.1f%% lit after %llu frames; stopped there\n",
                         LitPercent(), static_cast<unsigned long long>(FramesRendered()));
        progress.Finish(o.output);
    }
    const std::vector<TextChunk> text = {
        {"Software", "morvane-render " MORVANE_VERSION},
        {"morvane:seed", std::to_string(seed)},
        {"morvane:frames", std::to_string(FramesRendered())},
        {"morvane:settings", ExactSettings()},
    };
    return WriteOutput(o.output, o.thumb, text) ? 0 : EXIT_FAILED;
}

int Render(const RenderOptions& o) {
    const char* path = o.settings.empty() ? "defaults.cfg" : o.settings.c_str();
    if (!LoadSettings(path) && !o.settings.empty())
        return Fail("cannot read settings file " + o.settings + ": " + std::strerror(errno));
    const std::uint32_t seed = o.seed ? *o.seed : static_cast<std::uint32_t>(std::time(nullptr));
    if (!o.seed) std::printf("seed %u\n", seed);
    return RenderPicture(seed, o.frames.value_or(DEFAULT_FRAMES), o.lit.value_or(0), o);
}

int ReplayJournal(const Journal& j, RenderOptions::Target target, std::uint64_t number,
                  const RenderOptions& o) {
    std::string error;
    long events = 0;
    {
        Progress progress("replay", 0, o.quiet);
        events = ReplayTo(j, target, number, error);
        if (events < 0) return Fail(error);
        progress.Finish(o.output);
    }
    static const char* const TARGETS[] = {"save", "save", "frame", "end"};
    const std::string what = TARGETS[static_cast<int>(target)];
    const std::vector<TextChunk> text = {
        {"Software", "morvane-render " MORVANE_VERSION},
        {"morvane:journal", JournalText(j, static_cast<std::size_t>(events))},
        {"morvane:target", target == RenderOptions::Target::Frame
                               ? "frame " + std::to_string(FramesRendered())
                               : what},
    };
    return WriteOutput(o.output, o.thumb, text) ? 0 : EXIT_FAILED;
}

int Replay(const RenderOptions& o) {
    std::ifstream log(o.log);
    if (!log) return Fail("cannot read " + o.log + ": " + std::strerror(errno));
    Journal j;
    std::string error;
    if (!ReadJournal(log, j, error)) return Fail(o.log + ": " + error);
    return ReplayJournal(j, o.target, o.target_number, o);
}

int From(const RenderOptions& o) {
    std::map<std::string, std::string> text;
    std::string error;
    if (!ReadTextChunks(o.from, text, error)) return Fail(o.from + ": " + error);
    if (text.count("morvane:journal")) {
        Journal j;
        if (!ParseJournalText(text["morvane:journal"], j, error))
            return Fail(o.from + ": " + error);
        // A replay's PNG ends its journal at its state: the last save or end, or frame F.
        const std::string& target = text["morvane:target"];
        std::uint64_t frame = 0;
        if (target.rfind("frame ", 0) == 0 && ParseFrameNumber(target.substr(6), frame))
            return ReplayJournal(j, RenderOptions::Target::Frame, frame, o);
        if (target == "end") return ReplayJournal(j, RenderOptions::Target::End, 0, o);
        if (target == "save") return ReplayJournal(j, RenderOptions::Target::LastSave, 0, o);
        return Fail(o.from + ": an unknown morvane:target '" + target + "'");
    }
    std::uint32_t seed = 0;
    std::uint64_t frames = 0;
    if (!text.count("morvane:settings") || !ParseSeed(text["morvane:seed"], seed) ||
        !ParseFrameNumber(text["morvane:frames"], frames))
        return Fail(o.from +
                    ": not a picture morvane-render wrote (no morvane:seed, "
                    "morvane:frames and morvane:settings chunks)");
    if (!LoadSettingsText(text["morvane:settings"]))
        return Fail(o.from + ": its morvane:settings chunk cannot be read");
    return RenderPicture(seed, frames, 0, o);
}

}  // namespace

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
    if (!OutputWritable(o.output)) return EXIT_FAILED;
    if (o.mode == RenderOptions::Mode::Replay) return Replay(o);
    if (o.mode == RenderOptions::Mode::From) return From(o);
    return Render(o);
}
