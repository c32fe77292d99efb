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
