// SPDX-License-Identifier: MIT
// Whether the journal lines of a log can all be one session's. Two windows in one folder once
// shared a morvane.log: the second emptied it while the first went on appending, and the lines
// left were each a line the program writes, yet together no session's. Two things no session
// does give such a mix away: events standing before the frame of a save written earlier, and
// frames reached faster than the window's 60 a second since the start line's time stamp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/journal.h"

class OneSession {
public:
    // The start line, as the log holds it (with its time stamp).
    void Start(std::string_view line);
    // Empty when `e`, whose log line is `line`, can follow the lines before it in the session
    // begun at Start; else why it cannot.
    std::string Check(const journal::Entry& e, std::string_view line);

private:
    std::int64_t start_ = -1;  // the start line's time, in seconds; -1 when not known
    std::int64_t last_ = -1;   // the last line's time
    std::uint64_t saved_ = 0;  // the frame of the latest save: every later event is at or past it
};

// The seconds since the epoch of a log line's time stamp ("YYYY-MM-DD HH:MM:SS ", local time),
// or -1 when it holds no real time (a PNG's journal text) or a time the autumn clock change
// makes ambiguous.
std::int64_t StampSeconds(std::string_view line);
