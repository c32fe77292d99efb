// Keeps the session journal in morvane.log: a snapshot of what was last written, compared with
// the live state wherever the state is about to be used.
#include "app/journal.h"

#include <ctime>
#include <iterator>
#include <string>

#include "app/history.h"
#include "engine/frame.h"
#include "engine/journal.h"
#include "engine/settings.h"
#include "platform/platform.h"

namespace {

// The state the journal has written, as the replay will hold it.
struct Snapshot {
    std::string values[std::size(settings_table)];
    int init = 0, paused = 0, do_fill = 0, white_sprouts = 0;
};

Snapshot written;
std::uint64_t frames_rendered = 0;

// Each line goes to the log and to the session's history file; the history reaches the disk at
// each save, restart and end, so a crash loses at most the frames since the last of those.
void Write(const journal::Entry& entry) {
    const std::string text = journal::Format(entry);
    CRM32Pro_ILogSystem::Msg(2, "%s", text.c_str());
    using journal::Kind;
    HistoryWrite(
        text, entry.kind == Kind::Save || entry.kind == Kind::Restart || entry.kind == Kind::End);
}

journal::Entry EventEntry(journal::Kind kind) {
    journal::Entry e;
    e.kind = kind;
    e.frame = frames_rendered;
    return e;
}

void SyncFlag(const char* name, int now, int& before) {
    if ((now != 0) == (before != 0)) return;
    journal::Entry e = EventEntry(journal::Kind::Flag);
    e.name = name;
    e.on = now != 0;
    Write(e);
    before = now;
}

void SyncSettings(bool all) {
    std::size_t i = 0;
    for (const SettingRow& row : settings_table) {
        const journal::Entry e = journal::SettingEntry(row, frames_rendered);
        if (all || e.value != written.values[i]) {
            Write(e);
            written.values[i] = e.value;
        }
        ++i;
    }
}

}  // namespace

void JournalStart(std::uint32_t seed) {
    HistoryStart(seed, std::time(nullptr));
    journal::Entry start;
    start.seed = seed;
    start.width = xs;
    start.height = ys;
    Write(start);
    SyncSettings(true);
    written.init = init;
    written.paused = paused;
    written.do_fill = do_fill;
    written.white_sprouts = white_sprouts;
}

void JournalSync() {
    SyncSettings(false);
    SyncFlag("pause", paused, written.paused);
    SyncFlag("fill", do_fill, written.do_fill);
    SyncFlag("white", white_sprouts, written.white_sprouts);
    if (init == 0 && written.init != 0) Write(EventEntry(journal::Kind::Restart));
    written.init = init;
}

void JournalFrameDone(const FrameOutcome& outcome) {
    if (outcome.cut) {
        journal::Entry e = EventEntry(journal::Kind::Cut);
        e.attempts = outcome.attempts;
        Write(e);
    }
    ++frames_rendered;
    written.init = init;
    written.do_fill = do_fill;
}

void JournalSave(const std::string& path, bool saved) {
    journal::Entry e = EventEntry(journal::Kind::Save);
    e.value = path;
    e.on = saved;
    Write(e);
}

void JournalEnd() {
    Write(EventEntry(journal::Kind::End));
    HistoryEnd();
}

std::uint64_t JournalFramesRendered() {
    return frames_rendered;
}
