// SPDX-License-Identifier: MIT
// Bounded reads of named input files: the checks of OpenBoundedInput, then ReadBoundedInput's
// loop, which stops one byte past the bound whatever the file's size said.
#include "config/bounded_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// "12 MiB" for the bounds in messages (all whole MiB or KiB).
std::string Bytes(std::uint64_t n) {
    if (n >= (1u << 20) && n % (1u << 20) == 0) return std::to_string(n >> 20) + " MiB";
    if (n >= 1024 && n % 1024 == 0) return std::to_string(n >> 10) + " KiB";
    return std::to_string(n) + " bytes";
}

std::string TooBig(std::uint64_t limit) {
    return "it is larger than " + Bytes(limit) + ", more than this input can be; refused";
}

}  // namespace

const char* KindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device node";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

int OpenBoundedInput(const std::string& path, std::uint64_t limit, std::string& error) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer before it can be refused.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        error = std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        error = std::string("it is ") + KindOf(st.st_mode) + ", not a file; refused";
        errno = EINVAL;
    } else if (static_cast<std::uint64_t>(st.st_size) > limit) {
        error = TooBig(limit);
        errno = EFBIG;
    } else {
        fcntl(fd, F_SETFL, 0);
        return fd;
    }
    const int saved = errno;
    close(fd);
    errno = saved;
    return -1;
}

bool ReadBoundedInput(const std::string& path, std::uint64_t limit, std::string& text,
                      std::string& error) {
    text.clear();
    const int fd = OpenBoundedInput(path, limit, error);
    if (fd < 0) return false;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = std::strerror(errno);
        if (n <= 0) break;
        if (text.size() + static_cast<std::size_t>(n) > limit) {
            error = TooBig(limit);
            errno = EFBIG;
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    const int saved = errno;
    close(fd);
    if (error.empty()) return true;
    text.clear();
    errno = saved;
    return false;
}
