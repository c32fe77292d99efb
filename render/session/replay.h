// SPDX-License-Identifier: MIT
// Replaying a session from its journal: loading and checking the journal lines of a morvane.log,
// and running the session's frames with its changes up to a chosen state.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "engine/journal.h"
#include "export/export.h"
#include "render/cli/options.h"

// The journal of one session, checked: a start line first, then events in frame order, every
// setting a known key with a value of its type. The lines are read twice, once to check them and
// once to replay them, so a journal of any length costs no more memory than the canvas.
struct Journal {
    journal::Entry start;
    std::uint64_t events = 0;  // after the start line
    std::uint64_t saves = 0;   // successful image saves
    // The frame of each successful save's canvas. A save made on the window's worker is written
    // down when it ends, so its line may follow events of later frames.
    std::vector<std::uint64_t> save_frames;
    std::uint64_t last_frame = 0;   // the stamp of the last event
    bool ended = false;             // the last event is the end line
    std::istream* lines = nullptr;  // where the lines are read again
    std::unique_ptr<std::istream> owned;
};

// Reads and checks the journal from the lines of a log, which must stay open (and seekable) for
// ReplayTo. False, with the reason, when the log holds no journal or a line that the program
// could not have written (a forged or cut line, or the gap a full disk left).
bool ReadJournal(std::istream& log, Journal& journal, std::string& error);
// The same for the text of a PNG's morvane:journal chunk: one line per entry.
bool ParseJournalText(const std::string& text, Journal& journal, std::string& error);

// What a replay ran: the journal events that led to its state, and their text for the PNG's
// morvane:journal chunk (left empty, with `text_kept` false, when it is too long to keep).
struct Replayed {
    long events = -1;
    std::string text;
    bool text_kept = true;
};
// The longest journal text a PNG keeps.
constexpr std::size_t MAX_JOURNAL_TEXT = 32u << 20;

// Runs the session up to `target` (with `number` for Save and Frame) and leaves the engine in that
// state. `events` is -1, with the reason in `error`, when the session has no such state.
Replayed ReplayTo(Journal& journal, RenderOptions::Target target, std::uint64_t number,
                  std::string& error);
// The provenance chunks of a replay's PNG in the state ReplayTo left: the software, the journal
// text (or, when it was too long to keep, a morvane:journal-omitted chunk saying why) and the
// target, from which from renders the same picture. Takes the text out of `replayed`.
std::vector<TextChunk> ReplayProvenance(Replayed& replayed, RenderOptions::Target target);
