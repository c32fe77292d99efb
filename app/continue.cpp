// SPDX-License-Identifier: MIT
// Continuing a picture: `morvane FILE` opens the window on the canvas of a PNG that morvane or
// morvane-render wrote, or of a kept session's journal, made again from its provenance, and the
// session grows on from there. Read ContinuePicture: the file becomes the journal lines that
// lead to its state, which are replayed; the new session's journal starts with them, so it
// replays on its own. Anything wrong leaves the engine as start-up left it.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "app/app.h"
#include "app/history.h"
#include "app/journal.h"
#include "engine/frame.h"
#include "engine/journal.h"
#include "engine/random.h"
#include "engine/settings.h"
#include "export/png_text.h"
#include "panel/panel.h"
#include "platform/platform.h"

namespace {

constexpr char PNG_SIGNATURE[] = "\x89PNG\r\n\x1a\n";
// A kept session's file is at most the history's bound; a longer line than the renderer reads
// is not one morvane wrote.
constexpr std::size_t MAX_LINE_BYTES = std::size_t{1} << 20;
constexpr int MESSAGE_MS = 6000;

// The journal lines that lead to a picture's state, and the frames rendered in that state.
struct Lineage {
    std::vector<journal::Entry> entries;  // the start line first
    std::uint64_t frames = 0;
};

// Which events lead to the state after `frames` frames: for a state `frame`, those before it;
// for a save, those of its frame and before (a late save line follows events of later frames).
enum class Until { Before, Through };

bool ParseWhole(const std::string& text, std::uint64_t& value) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && r.ec == std::errc{} && r.ptr == text.data() + text.size();
}

// The journal entries of log lines, checked as the renderer checks them: a start line first
// with a size in 512..4096, then events in frame order (a save's line may come late), no gap.
std::string ReadEntries(std::istream& in, std::vector<journal::Entry>& out) {
    std::string line;
    long number = 0;
    std::uint64_t last = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!journal::LooksLikeJournal(line)) continue;
        const auto e = line.size() > MAX_LINE_BYTES ? std::nullopt : journal::ParseLogLine(line);
        const std::string at = "line " + std::to_string(number);
        if (!e) return at + " is not a journal line morvane writes";
        if (e->kind == journal::Kind::Lost) return at + ": the journal has a gap there";
        if ((e->kind == journal::Kind::Start) != out.empty())
            return out.empty() ? "the journal does not begin with its start line"
                               : at + ": a second start line";
        if (e->kind == journal::Kind::Start &&
            (e->width < 512 || e->width > 4096 || e->height < 512 || e->height > 4096))
            return "a canvas size outside 512..4096";
        if (e->kind != journal::Kind::Save && e->kind != journal::Kind::Start) {
            if (e->frame < last) return at + ": events out of frame order";
            last = e->frame;
        }
        out.push_back(*e);
    }
    return out.empty() ? "it holds no journal" : "";
}

// Keeps the entries that lead to the state after `frames` frames.
void KeepUntil(Lineage& l, Until until) {
    std::vector<journal::Entry> kept;
    for (journal::Entry& e : l.entries) {
        const bool after = until == Until::Before ? e.frame >= l.frames : e.frame > l.frames;
        if (e.kind == journal::Kind::Start || !after) kept.push_back(std::move(e));
    }
    l.entries = std::move(kept);
}

// The state a journal's own end names: its end line, else its last event.
void ToJournalEnd(Lineage& l) {
    for (const journal::Entry& e : l.entries)
        if (e.kind != journal::Kind::Save) l.frames = e.frame;
    KeepUntil(l, Until::Through);
}

std::string FromJournalChunk(std::map<std::string, std::string>& text, Lineage& l) {
    std::istringstream lines(text["morvane:journal"]);
    if (std::string error = ReadEntries(lines, l.entries); !error.empty()) return error;
    const std::string& target = text["morvane:target"];
    if (target == "end") {
        ToJournalEnd(l);
    } else if (target == "save") {
        for (const journal::Entry& e : l.entries)
            if (e.kind == journal::Kind::Save && e.on) l.frames = e.frame;
        KeepUntil(l, Until::Through);
    } else if (target.rfind("frame ", 0) == 0 && ParseWhole(target.substr(6), l.frames)) {
        KeepUntil(l, Until::Before);
    } else {
        return "an unknown morvane:target '" + target + "'";
    }
    return "";
}

// A picture the renderer made from a seed: its settings and toggles from the first frame, as
// journal lines.
std::string FromSeedChunks(std::map<std::string, std::string>& text, Lineage& l) {
    std::uint64_t seed = 0;
    if (!text.count("morvane:settings") || !ParseWhole(text["morvane:seed"], seed) ||
        seed > UINT32_MAX || !ParseWhole(text["morvane:frames"], l.frames))
        return "it has no morvane provenance (not a picture morvane or morvane-render wrote)";
    const std::string& toggles = text["morvane:toggles"];
    // The renderer holds pixel fill from the first growth on, where a window's first frame
    // clears the canvas and turns it off: no journal can say that.
    if (toggles.find("fill-holes=1") != std::string::npos)
        return "it was rendered with --fill-holes, which a window session cannot continue";
    // The settings text is read through the settings' globals, which are put back after.
    std::vector<journal::Entry> own;
    for (const SettingRow& row : settings_table) own.push_back(journal::SettingEntry(row, 0));
    const bool read = LoadSettingsText(text["morvane:settings"]);
    journal::Entry start;
    start.seed = static_cast<std::uint32_t>(seed);
    start.width = xs;
    start.height = ys;
    l.entries.push_back(start);
    for (const SettingRow& row : settings_table) l.entries.push_back(journal::SettingEntry(row, 0));
    for (std::size_t i = 0; i < own.size(); ++i) journal::ApplySetting(settings_table[i], own[i]);
    if (!read) return "its morvane:settings chunk cannot be read";
    if (toggles.find("white=1") != std::string::npos) {
        journal::Entry white;
        white.kind = journal::Kind::Flag;
        white.name = "white";
        white.on = true;
        l.entries.push_back(white);
    }
    return "";
}

// The lineage of the file at `path`, or the reason it has none.
std::string ReadLineage(const std::string& path, Lineage& l) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return "it cannot be found";
    if (!S_ISREG(st.st_mode)) return "it is not a regular file";
    if (static_cast<std::uint64_t>(st.st_size) > HISTORY_BYTES)
        return "it is larger than any picture or session morvane writes";
    std::ifstream in(path, std::ios::binary);
    char head[8] = {};
    if (!in.read(head, sizeof head) && in.gcount() == 0) return "it cannot be read";
    if (std::string(head, sizeof head) == std::string(PNG_SIGNATURE, 8)) {
        std::map<std::string, std::string> text;
        std::string error;
        if (!ReadTextChunks(path, text, error)) return error;
        if (text.count("morvane:journal-omitted")) return "it was written without its journal";
        if (text.count("morvane:journal")) return FromJournalChunk(text, l);
        return FromSeedChunks(text, l);
    }
    in.clear();
    in.seekg(0);
    if (std::string error = ReadEntries(in, l.entries); !error.empty()) return error;
    ToJournalEnd(l);
    return "";
}

// Replays the lineage: the engine's state becomes the picture's. The events it replays are
// kept in `done` (saves, ends and the like change nothing and are left out).
std::string Replay(const Lineage& l, std::vector<journal::Entry>& done) {
    const journal::Entry& start = l.entries.front();
    SetCanvasSize(start.width, start.height);
    // The past's budget follows the canvas size, as the renderer's does when it replays this.
    StartTimeline();
    StartSessionState(start.seed, canvas_view);
    std::uint64_t frames = 0;
    const auto frame = [&](long limit) {
        CanvasFrame(limit);
        TimelineFrameDone(++frames);
    };
    done.push_back(start);
    for (std::size_t i = 1; i < l.entries.size(); ++i) {
        const journal::Entry& e = l.entries[i];
        using journal::Kind;
        if (e.kind == Kind::Save || e.kind == Kind::End) continue;
        while (frames < e.frame) frame(-1);
        if (e.kind == Kind::Cut) frame(e.attempts);
        if (e.kind == Kind::Back && !TimelineApplyBack(e))
            return "its step back to frame " + std::to_string(e.target) + " cannot be made";
        if (!journal::ApplyEvent(e)) return "its setting line \"" + e.name + "\" cannot be used";
        if (xs != start.width || ys != start.height)
            return "a canvas size that differs from its start line";
        done.push_back(e);
    }
    while (frames < l.frames) frame(-1);
    return "";
}

// The picture a drop asked for, continued once this run has ended.
std::string picture_after_quit;
// The lineage of the picture named at start, read before the log (which may be the file).
Lineage start_lineage;
std::string start_error;

}  // namespace

bool ContinueAfterQuit(const std::string& path) {
    Lineage lineage;
    const std::string error = ReadLineage(path, lineage);
    if (!error.empty()) {
        CRM32Pro_ILogSystem::Msg("cannot continue %s: %s", path.c_str(), error.c_str());
        ShowPanelMessageFor(("cannot continue: " + error).substr(0, 60).c_str(), MESSAGE_MS);
        return false;
    }
    CRM32Pro_ILogSystem::Msg("continuing %s: the program starts again on it", path.c_str());
    picture_after_quit = path;
    return true;
}

void StartAgainOnPicture(const char* program) {
    if (picture_after_quit.empty()) return;
    // As `morvane FILE`: the window takes the picture's size, and the log its session.
    char* const args[] = {const_cast<char*>(program), picture_after_quit.data(), nullptr};
    execv("/proc/self/exe", args);
    std::fprintf(stderr, "morvane: cannot start again on %s: %s\n", picture_after_quit.c_str(),
                 std::strerror(errno));
}

void ReadPictureToContinue(const std::string& path) {
    start_error = ReadLineage(path, start_lineage);
}

bool ContinuePicture(const std::string& path) {
    // The settings of this window that the canvas does not depend on stay its own.
    const std::string own_file = file;
    const bool own_gui = display_GUI;
    const Lineage& lineage = start_lineage;
    std::vector<journal::Entry> done;
    std::string error = start_error;
    if (error.empty()) {
        CRM32Pro_ILogSystem::Msg("continuing %s: replaying %llu frames", path.c_str(),
                                 static_cast<unsigned long long>(lineage.frames));
        error = Replay(lineage, done);
    }
    if (!error.empty()) {
        CRM32Pro_ILogSystem::Msg("cannot continue %s: %s", path.c_str(), error.c_str());
        ShowPanelMessageFor(("cannot continue: " + error).substr(0, 60).c_str(), MESSAGE_MS);
        // Back to the window's own start: its settings, a fresh canvas at the first frame.
        LoadSettings("defaults.cfg");
        StartTimeline();
        SetPaused(false);
        SetFill(false);
        SetWhite(false);
        RequestRestart();
        return false;
    }
    file = own_file;
    display_GUI = own_gui;
    JournalContinue(done, lineage.frames, path);
    // The window opens paused on the picture, so that its settings can be changed before it
    // grows on; the panel's toggles show the flags it had.
    SetPaused(true);
    SetToggle(panel_buttons.fill, do_fill);
    SetToggle(panel_buttons.white, white_sprouts);
    SetToggle(panel_buttons.pause, paused);
    ShowPanelMessageFor("continuing the picture: P grows on", MESSAGE_MS);
    return true;
}
