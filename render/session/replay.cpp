// SPDX-License-Identifier: MIT
// Replaying a journal. The window program writes each change just before the state is used (the
// next frame or an image save), stamped with the frames rendered so far; so the replay runs frames
// until it reaches an event's stamp, applies the event, and goes on. The journal is read as a
// stream: once by ReadJournal to check it, once by ReplayTo to run it.
#include "render/session/replay.h"

#include <algorithm>
#include <limits>
#include <sstream>
#include <vector>

#include "engine/frame.h"
#include "engine/settings.h"
#include "morvane/version.h"
#include "render/session/one_session.h"
#include "render/session/session.h"

namespace {

// Longer than any line the program writes (a quoted path of PATH_MAX bytes takes three times
// that); a longer line is read only this far.
constexpr std::size_t MAX_LINE_BYTES = 1u << 20;
// The time stamp the journal text of a PNG gives its lines, which keeps them parseable.
constexpr const char* TEXT_STAMP = "0000-00-00 00:00:00 ";

const SettingRow* FindSetting(const std::string& key) {
    for (const SettingRow& row : settings_table)
        if (key == row.key) return &row;
    return nullptr;
}

// Reads one line into `line` through `buffer` (MAX_LINE_BYTES + 2 bytes), or its first
// MAX_LINE_BYTES + 1 bytes when it is longer (the rest is passed over); false at the end.
bool ReadLine(std::istream& in, std::vector<char>& buffer, std::string& line) {
    in.getline(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const std::streamsize got = in.gcount();
    if (in.fail() && got == 0) return false;
    if (in.fail()) {
        // No line feed among the bytes read: the line is longer than the buffer.
        in.clear();
        in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        line.assign(buffer.data(), MAX_LINE_BYTES + 1);
        return true;
    }
    line.assign(buffer.data(), static_cast<std::size_t>(got) - (in.eof() ? 0 : 1));
    return true;
}

// The journal entries of a log one at a time, with the number of the line each stands on.
class EntryReader {
public:
    explicit EntryReader(std::istream& in) : in_(in) {}
    // The next entry; false at the end or, with `error` set, at a line the program did not write.
    bool Next(journal::Entry& e, std::string& error) {
        std::string& line = line_;
        while (ReadLine(in_, buffer_, line)) {
            ++number_;
            if (!journal::LooksLikeJournal(line)) continue;
            const auto parsed =
                line.size() > MAX_LINE_BYTES ? std::nullopt : journal::ParseLogLine(line);
            if (!parsed) {
                error = "line " + std::to_string(number_) + " is not a journal line morvane writes";
                return false;
            }
            if (parsed->kind == journal::Kind::Lost) {
                error = "line " + std::to_string(number_) + ": the log lost " +
                        std::to_string(parsed->attempts) + " journal lines from frame " +
                        std::to_string(parsed->frame) +
                        " on (it could not be written); the session cannot be replayed exactly";
                return false;
            }
            e = *parsed;
            return true;
        }
        return false;
    }

    // The log line of the entry Next gave last.
    const std::string& Line() const { return line_; }

private:
    std::istream& in_;
    std::string line_;
    std::vector<char> buffer_ = std::vector<char>(MAX_LINE_BYTES + 2);
    long number_ = 0;
};

// Checks one event against those before it, applying a setting on the way (the replay starts
// again from the start line afterwards). Empty when it is good, else the reason.
std::string CheckEvent(const Journal& j, const journal::Entry& e) {
    const auto at = [&] { return " at frame " + std::to_string(e.frame); };
    if (e.kind == journal::Kind::Start) return "a second start line" + at();
    if (j.ended) return "an event after the end line" + at();
    if (e.frame < j.last_frame && e.kind != journal::Kind::Save)
        return "events out of frame order" + at();
    if (e.kind != journal::Kind::Set) return "";
    const SettingRow* row = FindSetting(e.name);
    if (!row) return "an unknown setting \"" + e.name + "\"" + at();
    if (!journal::ApplySetting(*row, e))
        return "the value '" + e.value + "' of \"" + e.name + "\"" + at();
    // The canvas size is fixed for the session: only the start line's size is used.
    if ((row->target == SettingTarget(&xs) && xs != j.start.width) ||
        (row->target == SettingTarget(&ys) && ys != j.start.height))
        return "a canvas size that differs from the start line" + at();
    return "";
}

bool CheckJournal(Journal& j, std::string& error) {
    EntryReader reader(*j.lines);
    journal::Entry e;
    if (!reader.Next(e, error)) {
        if (error.empty())
            error = "it holds no journal (not a morvane.log, or one from before the journal)";
        return false;
    }
    if (e.kind != journal::Kind::Start) {
        error = "the journal does not begin with its start line";
        return false;
    }
    j.start = e;
    OneSession session;
    session.Start(reader.Line());
    const auto size_ok = [](int v) { return v >= 512 && v <= 4096; };
    if (!size_ok(j.start.width) || !size_ok(j.start.height)) {
        error = "a canvas size outside 512..4096 in the start line";
        return false;
    }
    while (reader.Next(e, error)) {
        error = CheckEvent(j, e);
        if (error.empty()) error = session.Check(e, reader.Line());
        if (!error.empty()) return false;
        ++j.events;
        if (e.kind == journal::Kind::Save && e.on) j.save_frames.push_back(e.frame);
        j.saves += e.kind == journal::Kind::Save && e.on;
        if (e.kind != journal::Kind::Save) j.last_frame = std::max(j.last_frame, e.frame);
        j.ended = e.kind == journal::Kind::End;
    }
    return error.empty();
}

bool Load(Journal& j, std::string& error) {
    const bool ok = CheckJournal(j, error);
    ResetSettings();
    if (!ok) return false;
    j.lines->clear();
    if (!j.lines->seekg(0)) {
        error = "it cannot be read a second time (give a file, not a pipe)";
        return false;
    }
    return true;
}

void Apply(const journal::Entry& e) {
    switch (e.kind) {
        case journal::Kind::Set:
            journal::ApplySetting(*FindSetting(e.name), e);
            break;
        case journal::Kind::Flag: {
            void (*set)(bool) = e.name == "pause"  ? SetPaused
                                : e.name == "fill" ? SetFill
                                                   : SetWhite;
            set(e.on);
            break;
        }
        case journal::Kind::Restart:
            RequestRestart();
            break;
        default:
            break;
    }
}

// Why the session has no state `target`, or "" when it has.
std::string Missing(const Journal& j, RenderOptions::Target target, std::uint64_t number) {
    using Target = RenderOptions::Target;
    if (target == Target::Frame && number > j.last_frame)
        return "the session rendered " + std::to_string(j.last_frame) + " frames, not " +
               std::to_string(number);
    if (target == Target::End && !j.ended)
        return "the session has no end line (the program did not quit)";
    if ((target == Target::Save || target == Target::LastSave) && j.saves == 0)
        return "the session saved no image";
    if (target == Target::Save && number > j.saves)
        return "the session saved " + std::to_string(j.saves) + " images, not " +
               std::to_string(number);
    return "";
}

void AddText(Replayed& r, const journal::Entry& e) {
    if (!r.text_kept) return;
    r.text += TEXT_STAMP + journal::Format(e) + "\n";
    if (r.text.size() <= MAX_JOURNAL_TEXT) return;
    r.text_kept = false;
    std::string().swap(r.text);
}

}  // namespace

bool ReadJournal(std::istream& log, Journal& j, std::string& error) {
    j.lines = &log;
    return Load(j, error);
}

bool ParseJournalText(const std::string& text, Journal& j, std::string& error) {
    j.owned = std::make_unique<std::istringstream>(text);
    j.lines = j.owned.get();
    return Load(j, error);
}

Replayed ReplayTo(Journal& j, RenderOptions::Target target, std::uint64_t number,
                  std::string& error) {
    using Target = RenderOptions::Target;
    Replayed r;
    error = Missing(j, target, number);
    if (!error.empty()) return r;
    // The save that ends the replay, counted among the successful ones.
    const std::uint64_t stop_save = target == Target::Save ? number : j.saves;
    // The canvas of that save: events of later frames (before its late line) are passed over.
    const bool to_save = target == Target::Save || target == Target::LastSave;
    const std::uint64_t goal = to_save ? j.save_frames[stop_save - 1] : 0;
    SetCanvasSize(j.start.width, j.start.height);
    StartSession(j.start.seed);
    EntryReader reader(*j.lines);
    journal::Entry e;
    reader.Next(e, error);  // the start line, checked before
    AddText(r, e);
    long events = 0;
    std::uint64_t saves = 0;
    while (reader.Next(e, error)) {
        if (target == Target::Frame && e.frame >= number) break;
        if (to_save && e.frame > goal) continue;
        while (FramesRendered() < e.frame) RunFrame();
        // The frame that a quit cut short runs exactly as many attempts as it did live.
        if (e.kind == journal::Kind::Cut) RunFrame(e.attempts);
        Apply(e);
        AddText(r, e);
        ++events;
        saves += e.kind == journal::Kind::Save && e.on;
        if (target != Target::Frame &&
            (target == Target::End ? e.kind == journal::Kind::End
                                   : e.kind == journal::Kind::Save && e.on && saves == stop_save))
            break;
    }
    if (!error.empty()) {
        error = "it changed while being replayed: " + error;
        return r;
    }
    while (target == Target::Frame && FramesRendered() < number) RunFrame();
    while (to_save && FramesRendered() < goal) RunFrame();
    r.events = events;
    return r;
}

std::vector<TextChunk> ReplayProvenance(Replayed& replayed, RenderOptions::Target target) {
    static const char* const TARGETS[] = {"save", "save", "frame", "end"};
    std::vector<TextChunk> text = {
        {"Software", "morvane-render " MORVANE_VERSION},
        {"morvane:journal", std::move(replayed.text), true},
        {"morvane:target",
         target == RenderOptions::Target::Frame || target == RenderOptions::Target::BeforeRestart
             ? "frame " + std::to_string(FramesRendered())
             : TARGETS[static_cast<int>(target)]},
    };
    if (!replayed.text_kept)
        text[1] = {"morvane:journal-omitted",
                   "the journal of " + std::to_string(replayed.events) +
                       " events is longer than the " + std::to_string(MAX_JOURNAL_TEXT >> 20) +
                       " MiB a PNG keeps; render it again with morvane-render replay and the log"};
    return text;
}
