// SPDX-License-Identifier: MIT
// Where the window program keeps each session's journal, and how the files are named: both the
// program that writes them and the renderer that finds them again use these.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// The history folder: $XDG_STATE_HOME/morvane/sessions, or ~/.local/state/morvane/sessions when
// XDG_STATE_HOME is unset or not an absolute path. Empty when neither it nor HOME is usable.
std::string SessionsFolder();
// The state folder that holds morvane/sessions (the first part of SessionsFolder).
std::string StateFolder();

// A session file name: "YYYYMMDD-HHMMSS-seedS.journal" with the start time in UTC, so that the
// names sort by start time; a second session started in the same second with the same seed
// gets "-2", "-3" ... before ".journal".
std::string SessionFileName(std::time_t start, std::uint32_t seed, int copy);

struct SessionName {
    std::string stamp;  // "YYYYMMDD-HHMMSS"
    std::uint32_t seed = 0;
    int copy = 1;  // 1 for the plain name
    // Older sessions first: by start time, then by copy number.
    bool operator<(const SessionName& other) const {
        return stamp != other.stamp ? stamp < other.stamp : copy < other.copy;
    }
};
// The parts of a session file name, or nothing when `name` is not one SessionFileName makes.
std::optional<SessionName> ParseSessionFileName(std::string_view name);

// The thumbnail of a session's last save beside its file: "<name without .journal>.thumb.png",
// written first as "<...>.thumb.tmp" and renamed.
std::string ThumbnailFileName(std::string_view session_file);
std::string ThumbnailTempName(std::string_view session_file);
// The session file name a thumbnail or its temporary file belongs to, or nothing when `name` is
// neither for a session name.
std::optional<std::string> ThumbnailSession(std::string_view name);
// The tag a thumbnail carries: the session file's name and the frame of the save it shows.
std::string ThumbnailTag(std::string_view session_file, std::uint64_t frame);
// "2026-12-09 14:15:02" from the stamp of a session name.
std::string ReadableStamp(const std::string& stamp);
