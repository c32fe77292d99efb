// SPDX-License-Identifier: MIT
// Keeps the session journal in morvane.log: the settings text last written, compared with the
// live settings wherever they are about to be used, and the engine's news of its frame flags.
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

// The settings' text as the journal has written it, as the replay will hold it.
std::string written[std::size(settings_table)];
std::uint64_t frames_rendered = 0;

// Each line goes to the log and to the session's history file; the history reaches the disk at
// each save, restart and end, so a crash loses at most the frames since the last of those.
void Write(const journal::Entry& entry) {
    const std::string text = journal::Format(entry);
    CRM32Pro_ILogSystem::Msg("%s", text.c_str());
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

void WriteFlag(bool changed, const char* name, int now) {
    if (!changed) return;
    journal::Entry e = EventEntry(journal::Kind::Flag);
    e.name = name;
    e.on = now != 0;
    Write(e);
}

void SyncSettings(bool all) {
    std::size_t i = 0;
    for (const SettingRow& row : settings_table) {
        const journal::Entry e = journal::SettingEntry(row, frames_rendered);
        if (all || e.value != written[i]) {
            Write(e);
            written[i] = e.value;
        }
        ++i;
    }
}

}  // namespace

std::uint32_t JournalStart(std::time_t now) {
    const std::uint32_t seed = HistoryStart(static_cast<std::uint32_t>(now), now);
    journal::Entry start;
    start.seed = seed;
    start.width = xs;
    start.height = ys;
    Write(start);
    SyncSettings(true);
    ForgetFlagNews();
    return seed;
}

void JournalSync() {
    SyncSettings(false);
    const FlagNews news = TakeFlagNews();
    WriteFlag(news.paused, "pause", paused);
    WriteFlag(news.fill, "fill", do_fill);
    WriteFlag(news.white, "white", white_sprouts);
    if (news.restart) Write(EventEntry(journal::Kind::Restart));
}

void JournalFrameDone(const FrameOutcome& outcome) {
    if (outcome.cut) {
        journal::Entry e = EventEntry(journal::Kind::Cut);
        e.attempts = outcome.attempts;
        Write(e);
    }
    ++frames_rendered;
}

std::uint64_t JournalFrames() {
    return frames_rendered;
}

void JournalSave(const std::string& path, bool saved, std::uint64_t frame) {
    journal::Entry e = EventEntry(journal::Kind::Save);
    e.frame = frame;
    e.value = path;
    e.on = saved;
    Write(e);
}

void JournalEnd() {
    Write(EventEntry(journal::Kind::End));
    HistoryEnd();
}
