// Replaying a session from its journal: loading and checking the journal lines of a morvane.log,
// and running the session's frames with its changes up to a chosen state.
#pragma once

#include <string>
#include <vector>

#include "engine/journal.h"
#include "render/options.h"

// The journal of one session, checked: a start line first, then events in frame order, every
// setting a known key with a value of its type.
struct Journal {
    journal::Entry start;
    std::vector<journal::Entry> events;
};

// Reads the journal from the lines of a log. False, with the reason, when the log holds no
// journal or a line that the program could not have written.
bool ReadJournal(std::istream& log, Journal& journal, std::string& error);
// The journal as text, one line per entry without time stamps, and back; for the PNG's
// morvane:journal chunk. ParseJournalText is as strict as ReadJournal.
std::string JournalText(const Journal& journal, std::size_t events);
bool ParseJournalText(const std::string& text, Journal& journal, std::string& error);

// Runs the session up to `target` (with `number` for Save and Frame) and leaves the engine in that
// state. Returns the number of journal events that led there, or -1 with the reason when the
// session has no such state.
long ReplayTo(const Journal& journal, RenderOptions::Target target, std::uint64_t number,
              std::string& error);
