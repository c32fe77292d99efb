// SPDX-License-Identifier: MIT
// Saving a file so that a failure never loses the previous one: the content goes to a temporary
// file beside the target, which replaces the target only once it is complete and on disk.
#pragma once

#include <sys/types.h>

#include <functional>
#include <ostream>
#include <string>

// Writes `path` through `write`; the content goes to the stream handed to `write`.
//
// Returns false and sets `reason` (never empty) when the save could not be made: the target
// exists but is not a regular file (a folder, FIFO, device node or socket is never replaced) or is
// read-only, the folder is missing or unwritable, `write` throws, or any write, sync, close or
// rename fails. The previous file is then unchanged and no temporary file is left.
//
// Returns true when the new file is in place. `reason` is then empty, or holds a warning that the
// caller should log: the file was saved but the folder could not be synced, so the replacement
// may not survive a power cut.
//
// The temporary file is named ".morvane-<pid>-<random>.tmp" in the target's folder. A save also
// removes such files whose owner process is gone (left by a save that was killed).
bool WriteFileSafely(const std::string& path, const std::function<void(std::ostream&)>& write,
                     std::string& reason);

// For a file that another program writes (ffmpeg's video): the checks WriteFileSafely makes of
// `path` and its folder, then a new temporary file of the writer's own pattern beside it, created
// and locked (stale ones of killed saves are removed on the way, and so is this one should this
// process be killed before ReplaceSafely). Returns its descriptor, to keep open until
// ReplaceSafely, and its path in `temp`; or -1 with the reason.
int CreateTemporaryBeside(const std::string& path, std::string& temp, std::string& reason);
// Syncs the finished temporary file (through `fd`, which it closes) and renames it over `path`,
// then syncs the folder; on failure removes it. Like WriteFileSafely, true may come with a
// warning in `reason`.
bool ReplaceSafely(int fd, const std::string& temp, const std::string& path, std::string& reason);

// The system calls the writer makes, so that tests can make each of them fail. Every entry
// behaves like the call it is named after; the defaults are the real ones.
struct SafeWriteCalls {
    int (*openat)(int folder, const char* name, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*renameat)(int from_folder, const char* from, int to_folder, const char* to);
};
extern SafeWriteCalls safe_write_calls;
