// SPDX-License-Identifier: MIT
// The session history: every journal line of morvane.log also goes to a file of its own under
// the history folder (config/session_files.h names both), so that a session can be rendered
// again after the program has started anew. The journal kept here in memory also gives each
// saved picture its provenance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
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

// Where the thumbnails of this session's saves go, for a save's worker: the history folder,
// open for this alone, and the name of the session's file.
struct HistoryThumbnail {
    int folder = -1;
    std::string session;
    HistoryThumbnail() = default;
    HistoryThumbnail(const HistoryThumbnail&) = delete;
    HistoryThumbnail& operator=(const HistoryThumbnail&) = delete;
    ~HistoryThumbnail();
};
// The place of this session's thumbnail, or null when the session has no history file. Main
// thread.
std::shared_ptr<const HistoryThumbnail> ThumbnailPlace();
// Writes the thumbnail of the save at `frame` of `snapshot` beside the session's file (mode 0600,
// complete under a temporary name before it replaces the last one), so that the renderer's
// history sheet need not replay the session. On failure the last one is removed too, as it no
// longer shows the last save; nothing is logged: without a thumbnail, the sheet replays. Any
// thread; touches no global state.
bool WriteThumbnail(const HistoryThumbnail& place, const CanvasSnapshot& snapshot,
                    std::uint64_t frame) noexcept;

// The longest journal a saved picture carries (hundreds of thousands of changes), the bound
// morvane-render keeps to in its own pictures, well within the text it reads back.
constexpr std::size_t PNG_JOURNAL_BYTES = std::size_t{32} << 20;

// The text chunks that make a window save renderable again: Software, morvane:seed and the
// journal up to this save (compressed), as if the save at `frame` to `path` succeeded.
std::vector<TextChunk> ProvenanceChunks(const std::string& path, std::uint64_t frame);

// Removes session files from the folder open as `folder`, oldest first by when they were last
// written, until at most `sessions` files of at most `bytes` in all are left; the file named
// `keep` always stays. A file written after `now` (by a clock that ran ahead) counts as the
// oldest. A session's thumbnail counts with it and goes with it; a thumbnail whose session is
// gone goes too. Only regular files with our names are counted or removed. Returns how many
// sessions were removed.
int PruneSessions(int folder, const std::string& keep, std::size_t sessions, std::uint64_t bytes,
                  std::time_t now);
