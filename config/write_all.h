// SPDX-License-Identifier: MIT
// Writing a whole buffer to a file descriptor, for the files written as streams of raw bytes
// (the session history, the frames piped to a video encoder).
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>

// Writes all `size` bytes, going on after partial writes and interrupted calls; false, with
// errno set, when a write fails (a full disk, a closed pipe).
inline bool WriteAll(int fd, const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}
