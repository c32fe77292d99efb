// SPDX-License-Identifier: MIT
// The session history: every journal line of morvane.log also goes to a file of its own under
// the history folder (config/session_files.h names both), so that a session can be rendered
// again after the program has started anew. The journal kept here in memory also gives each
// saved picture its provenance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "export/export.h"

// The history keeps the newest 500 sessions and at most 256 MiB of them; older ones go first.
constexpr std::size_t HISTORY_SESSIONS = 500;
constexpr std::uint64_t HISTORY_BYTES = std::uint64_t{256} << 20;

// Opens this session's file (mode 0600) in the history folder, made with mode 0700 where it is
// missing, and removes the oldest sessions beyond the bounds. A folder that cannot be used costs
// one log line; the session then runs on without a history file. Returns the session's seed:
// `seed`, or the first one after it that no session started in the same second has taken.
std::uint32_t HistoryStart(std::uint32_t seed, std::time_t start);
// Appends one journal line: `text` as the log writes it after its time stamp. `flush` makes the
// file reach the disk (at a save, a restart and the end). A failed write costs one log line and
// ends the file; the session runs on.
void HistoryWrite(const std::string& text, bool flush);
// Flushes and closes the file.
void HistoryEnd();
// The path of this session's file, empty when it has none.
const std::string& HistoryFile();

// The longest journal a saved picture carries (hundreds of thousands of changes), the bound
// morvane-render keeps to in its own pictures, well within the text it reads back.
constexpr std::size_t PNG_JOURNAL_BYTES = std::size_t{32} << 20;

// The text chunks that make a window save renderable again: Software, morvane:seed and the
// journal up to this save (compressed), as if the save at `frame` to `path` succeeded.
std::vector<TextChunk> ProvenanceChunks(const std::string& path, std::uint64_t frame);

// Removes session files from the folder open as `folder`, oldest first by when they were last
// written, until at most `sessions` files of at most `bytes` in all are left; the file named
// `keep` always stays. A file written after `now` (by a clock that ran ahead) counts as the
// oldest. Only regular files with session names are counted or removed. Returns how many were
// removed.
int PruneSessions(int folder, const std::string& keep, std::size_t sessions, std::uint64_t bytes,
                  std::time_t now);
