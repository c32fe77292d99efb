// SPDX-License-Identifier: MIT
// The session journal: the lines morvane.log holds so that a live session can be rendered again
// sample for sample. One line per event, after the log's time stamp:
//   journal start seed=S size=WxH      the seed handed to RandSeed and the canvas size
//   journal @N set "KEY" VALUE          a setting now holds VALUE (every setting at start, then
//                                       each change)
//   journal @N flag pause|fill|white 0|1   the effective flag changed
//   journal @N restart                  a restart was requested
//   journal @N save ok|failed "PATH"    an image save of the canvas after N frames, and whether
//                                       it wrote the file; written when the save ends, so it
//                                       may follow events of later frames
//   journal @N cut A                    frame N+1 ended after A of its attempts (a quit request
//                                       cut it short); later events count it as rendered
//   journal @N back F                   the state went back to the one frame F left (the canvas,
//                                       the generator, the attempt count; not the settings or
//                                       flags): the window stepped back there and grew on
//   journal @N continued "PATH"         the lines before are those of the picture or session
//                                       PATH, which this session continued from its state here
//   journal @N lost K                   the log could not take K journal lines from frame N on
//                                       (a full disk); the journal has a gap there
//   journal @N end                      the program quit
// N is the number of frames rendered before the event. Strings are quoted with the bytes '"',
// '%', '\', control bytes and bytes above 0x7E written as %HH, so a journal line never holds a
// byte the log would escape. Parse accepts exactly what Format writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/settings_table.h"
#include "engine/checkpoint.h"

namespace journal {

enum class Kind { Start, Set, Flag, Restart, Save, Cut, Lost, End, Back, Continued };

struct Entry {
    Kind kind = Kind::Start;
    std::uint64_t frame = 0;    // frames rendered before the event (0 for Start)
    std::uint32_t seed = 0;     // Start
    int width = 0, height = 0;  // Start
    std::string name;           // Set: the settings-file key; Flag: "pause", "fill" or "white"
    std::string value;          // Set: the value as text; Save, Continued: the path
    bool quoted = false;        // Set: the value is a string setting's, written quoted
    bool on = false;            // Flag: the new value; Save: the file was written
    std::int64_t attempts = 0;  // Cut: the attempts that frame N+1 made; Lost: the lines lost
    std::uint64_t target = 0;   // Back: the frame whose state came back, below `frame`
};

// The journal text of an entry, without the log's time stamp.
std::string Format(const Entry& entry);
// The entry of a whole log line ("YYYY-MM-DD HH:MM:SS journal ..."), or nothing when the line is
// not a journal line exactly as Format writes it.
std::optional<Entry> ParseLogLine(std::string_view line);
// Whether a log line claims to be or to hold a journal line: its text after the stamp starts
// "journal", or a stamp and "journal" stand inside it (a line glued to the one after it).
bool LooksLikeJournal(std::string_view line);

// A float as the shortest text that reads back as the same float.
std::string ExactFloat(float value);

// A Set entry for a row of the settings table holding its global's current value exactly
// (floats as ExactFloat, strings quoted).
Entry SettingEntry(const SettingRow& row, std::uint64_t frame);
// Gives the row's global the value of a Set entry. False when the text is not exactly what
// SettingEntry writes for the row's type (the global is then unchanged).
bool ApplySetting(const SettingRow& row, const Entry& entry);

// The row of the settings table with this key, or null.
const SettingRow* FindSetting(std::string_view key);
// Makes the change a Set, Flag or Restart entry stands for (other kinds change nothing here). A
// replay applies each entry once the frames before its stamp have run. False when a Set names no
// setting or holds a value ApplySetting refuses (nothing changes then).
bool ApplyEvent(const Entry& e);
// Makes the state of a Back entry: `past`, kept since the session's first frame, goes back to
// the state frame e.target left. False when it does not hold that state (a frame off the
// session's path, or older than the past keeps); nothing changes then.
bool ApplyBack(CanvasPast& past, const Entry& e);

}  // namespace journal
