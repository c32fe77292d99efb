// Replaying a journal. The window program writes each change just before the state is used (the
// next frame or an image save), stamped with the frames rendered so far; so the replay runs frames
// until it reaches an event's stamp, applies the event, and goes on.
#include "render/replay.h"

#include <istream>
#include <sstream>

#include "engine/frame.h"
#include "engine/settings.h"
#include "render/session.h"

namespace {

const SettingRow* FindSetting(const std::string& key) {
    for (const SettingRow& row : settings_table)
        if (key == row.key) return &row;
    return nullptr;
}

// Checks the order and the values of the events, applying every setting once on the way (the
// replay starts again from the start line afterwards).
bool CheckEvents(const Journal& j, std::string& error) {
    const auto size_ok = [](int v) { return v >= 512 && v <= 4096; };
    if (!size_ok(j.start.width) || !size_ok(j.start.height)) {
        error = "a canvas size outside 512..4096 in the start line";
        return false;
    }
    std::uint64_t frame = 0;
    bool ended = false;
    for (const journal::Entry& e : j.events) {
        const std::string at = " at frame " + std::to_string(e.frame);
        if (e.kind == journal::Kind::Start)
            error = "a second start line" + at;
        else if (ended)
            error = "an event after the end line" + at;
        else if (e.frame < frame)
            error = "events out of frame order" + at;
        else if (e.kind == journal::Kind::Set) {
            const SettingRow* row = FindSetting(e.name);
            if (!row)
                error = "an unknown setting \"" + e.name + "\"" + at;
            else if (!journal::ApplySetting(*row, e))
                error = "the value '" + e.value + "' of \"" + e.name + "\"" + at;
            // The canvas size is fixed for the session: only the start line's size is used.
            else if ((row->target == SettingTarget(&xs) && xs != j.start.width) ||
                     (row->target == SettingTarget(&ys) && ys != j.start.height))
                error = "a canvas size that differs from the start line" + at;
        }
        if (!error.empty()) return false;
        frame = e.frame;
        ended = e.kind == journal::Kind::End;
    }
    return true;
}

bool Accept(const journal::Entry& e, Journal& j, bool& started, std::string& error) {
    if (!started) {
        if (e.kind != journal::Kind::Start) {
            error = "the journal does not begin with its start line";
            return false;
        }
        j.start = e;
        started = true;
        return true;
    }
    j.events.push_back(e);
    return true;
}

bool Finish(Journal& j, bool started, std::string& error) {
    if (!started) {
        error = "it holds no journal (not a morvane.log, or one from before the journal)";
        return false;
    }
    if (!CheckEvents(j, error)) return false;
    ResetSettings();
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

}  // namespace

bool ReadJournal(std::istream& log, Journal& j, std::string& error) {
    std::string line;
    bool started = false;
    for (long number = 1; std::getline(log, line); ++number) {
        if (!journal::LooksLikeJournal(line)) continue;
        const auto e = journal::ParseLogLine(line);
        if (!e) {
            error = "line " + std::to_string(number) + " is not a journal line morvane writes";
            return false;
        }
        if (!Accept(*e, j, started, error)) return false;
    }
    return Finish(j, started, error);
}

std::string JournalText(const Journal& j, std::size_t events) {
    // The log's stamp is not part of the journal; a fixed one keeps the lines parseable.
    static const std::string STAMP = "0000-00-00 00:00:00 ";
    std::string text = STAMP + journal::Format(j.start) + "\n";
    for (std::size_t i = 0; i < events && i < j.events.size(); ++i)
        text += STAMP + journal::Format(j.events[i]) + "\n";
    return text;
}

bool ParseJournalText(const std::string& text, Journal& j, std::string& error) {
    std::istringstream in(text);
    return ReadJournal(in, j, error);
}

long ReplayTo(const Journal& j, RenderOptions::Target target, std::uint64_t number,
              std::string& error) {
    using Target = RenderOptions::Target;
    // Which event ends the replay: the K-th (or last) successful save, or the end line.
    long stop = -1;
    std::uint64_t saves = 0;
    for (std::size_t i = 0; i < j.events.size(); ++i) {
        const journal::Entry& e = j.events[i];
        if (e.kind == journal::Kind::Save && e.on && ++saves &&
            (target == Target::LastSave || (target == Target::Save && saves == number)))
            stop = static_cast<long>(i);
        if (e.kind == journal::Kind::End && target == Target::End) stop = static_cast<long>(i);
    }
    const std::uint64_t last_frame = j.events.empty() ? 0 : j.events.back().frame;
    if (target == Target::Frame && number > last_frame) {
        error = "the session rendered " + std::to_string(last_frame) + " frames, not " +
                std::to_string(number);
        return -1;
    }
    if (target != Target::Frame && stop < 0) {
        error = target == Target::End ? "the session has no end line (the program did not quit)"
                : saves == 0          ? "the session saved no image"
                             : "the session saved " + std::to_string(saves) + " images, not " +
                                   std::to_string(number);
        return -1;
    }
    xs = j.start.width;
    ys = j.start.height;
    StartSession(j.start.seed);
    const std::uint64_t goal = target == Target::Frame ? number : j.events[stop].frame;
    std::size_t i = 0;
    for (; i < j.events.size(); ++i) {
        const journal::Entry& e = j.events[i];
        if (target == Target::Frame ? e.frame >= goal : static_cast<long>(i) > stop) break;
        while (FramesRendered() < e.frame) RunFrame();
        // The frame that a quit cut short runs exactly as many attempts as it did live.
        if (e.kind == journal::Kind::Cut) RunFrame(e.attempts);
        Apply(e);
    }
    while (FramesRendered() < goal) RunFrame();
    return static_cast<long>(i);
}
