// SPDX-License-Identifier: MIT
// WriteFileSafely: a temporary file of an unpredictable name in the target's folder, written
// through the descriptor that created it, synced, renamed over the target, folder synced.
// Used by both savers (settings and image). Start reading at WriteFileSafely at the bottom.
#include "config/safe_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <streambuf>
#include <vector>

#include "config/bounded_read.h"

SafeWriteCalls safe_write_calls = {
    [](int folder, const char* name, int flags, mode_t mode) {
        return ::openat(folder, name, flags, mode);
    },
    ::write,
    ::fsync,
    ::close,
    ::renameat,
};

namespace {

// Temporary names: ".morvane-<pid>-<RANDOM_CHARS letters and digits>.tmp". Short, so that a
// target name near the file system's limit still leaves room for it.
constexpr const char* TEMP_PREFIX = ".morvane-";
constexpr const char* TEMP_SUFFIX = ".tmp";
constexpr std::size_t RANDOM_CHARS = 8;
constexpr int CREATE_ATTEMPTS = 64;
constexpr std::size_t WRITE_BUFFER = 1 << 16;

std::string Because(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

// Sends what the content writer streams straight to the descriptor, in WRITE_BUFFER chunks, and
// keeps the errno of the first failed write so the reason is the system's own.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd) : fd_(fd), buffer_(WRITE_BUFFER) { Reset(); }
    int error() const { return error_; }

protected:
    int_type overflow(int_type c) override {
        if (!Drain()) return traits_type::eof();
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }
    int sync() override { return Drain() ? 0 : -1; }

private:
    void Reset() { setp(buffer_.data(), buffer_.data() + buffer_.size()); }

    bool Drain() {
        if (error_ != 0) return false;
        const char* data = pbase();
        std::size_t left = static_cast<std::size_t>(pptr() - pbase());
        while (left > 0) {
            const ssize_t done = safe_write_calls.write(fd_, data, left);
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) {
                // A write that takes nothing of a non-empty buffer would loop for ever.
                error_ = done < 0 ? errno : EIO;
                return false;
            }
            data += done;
            left -= static_cast<std::size_t>(done);
        }
        Reset();
        return true;
    }

    int fd_;
    int error_ = 0;
    std::vector<char> buffer_;
};

struct SplitPath {
    std::string folder;
    std::string name;
};

SplitPath Split(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Why `name` in `folder` may not be written, or "" when it may. Root passes access() on anything
// not on a read-only file system, yet a file or folder without a single write bit was made
// read-only on purpose and is left alone.
std::string Unwritable(int folder, const char* name, const struct stat& st, const char* what) {
    if (faccessat(folder, name, W_OK, 0) != 0) {
        if (errno == EACCES) return Because(std::string(what) + " is read-only", errno);
        return Because(std::string("cannot write to ") + what, errno);
    }
    if ((st.st_mode & 0222) == 0) return std::string(what) + " is read-only: no write permission";
    return "";
}

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Checks what can be known before writing: the target, if present, is a writable regular file,
// and the folder is writable. Sets `mode` to the target's permissions, or a new file's.
bool CheckTarget(int folder, const SplitPath& split, mode_t& mode, std::string& reason) {
    mode = NewFileMode();
    struct stat st {};
    if (fstatat(folder, split.name.c_str(), &st, 0) == 0) {
        if (S_ISDIR(st.st_mode)) {
            reason = "the path is a folder";
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            reason = std::string("the path is ") + KindOf(st.st_mode) +
                     "; only a regular file is replaced";
            return false;
        }
        reason = Unwritable(folder, split.name.c_str(), st, "the file");
        if (!reason.empty()) return false;
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        reason = Because("cannot reach the file", errno);
        return false;
    }
    struct stat folder_st {};
    if (fstat(folder, &folder_st) != 0) {
        reason = Because("cannot reach folder " + split.folder, errno);
        return false;
    }
    reason = Unwritable(folder, ".", folder_st, ("folder " + split.folder).c_str());
    return reason.empty();
}

// ---- Stale temporary files ---------------------------------------------------------------------

// The owner's pid when `name` is one of our temporary names, else 0.
pid_t OwnerOf(const char* name) {
    const std::size_t prefix = std::strlen(TEMP_PREFIX), suffix = std::strlen(TEMP_SUFFIX);
    const std::size_t size = std::strlen(name);
    if (size < prefix + 2 + RANDOM_CHARS + suffix || std::strncmp(name, TEMP_PREFIX, prefix) != 0 ||
        std::strcmp(name + size - suffix, TEMP_SUFFIX) != 0)
        return 0;
    const char* random = name + size - suffix - RANDOM_CHARS;
    for (const char* c = random; c < name + size - suffix; ++c)
        if (!std::isalnum(static_cast<unsigned char>(*c))) return 0;
    if (random[-1] != '-') return 0;
    long long pid = 0;
    for (const char* c = name + prefix; c < random - 1; ++c) {
        if (*c < '0' || *c > '9' || pid > 1'000'000'000) return 0;
        pid = pid * 10 + (*c - '0');
    }
    return static_cast<pid_t>(pid);
}

bool Running(pid_t pid) {
    return kill(pid, 0) == 0 || errno == EPERM;
}

// Removes `name` when it is a regular file of ours that no writer holds: each writer keeps an
// exclusive lock on its temporary file until it is renamed, which also guards a file whose pid
// belongs to another machine sharing the folder, or to another thread of this process.
void RemoveIfAbandoned(int folder, const char* name) {
    const int fd = openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {
    }, now{};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
        flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        fstatat(folder, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == st.st_dev &&
        now.st_ino == st.st_ino)
        unlinkat(folder, name, 0);
    close(fd);
}

// Removes the temporary files of saves that were killed: ours by name, with an owner that is
// no longer running (or is this process, which has no save under way while it looks).
void RemoveStaleTemporaries(int folder) {
    const int scan = dup(folder);
    DIR* entries = scan >= 0 ? fdopendir(scan) : nullptr;
    if (!entries) {
        if (scan >= 0) close(scan);
        return;
    }
    while (const dirent* entry = readdir(entries)) {
        const pid_t owner = OwnerOf(entry->d_name);
        if (owner > 0 && (owner == getpid() || !Running(owner)))
            RemoveIfAbandoned(folder, entry->d_name);
    }
    closedir(entries);
}

// ---- Writing -----------------------------------------------------------------------------------

std::string RandomChars() {
    static const char ALPHABET[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[RANDOM_CHARS] = {};
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        // No kernel randomness: the name is then guessable, but O_EXCL still keeps it ours.
        const unsigned long long seed = static_cast<unsigned long long>(std::time(nullptr)) ^
                                        (static_cast<unsigned long long>(getpid()) << 20);
        for (std::size_t i = 0; i < sizeof bytes; ++i)
            bytes[i] = static_cast<unsigned char>(seed >> (i * 5));
    }
    std::string text;
    for (unsigned char b : bytes) text += ALPHABET[b % (sizeof ALPHABET - 1)];
    return text;
}

// Creates a new temporary file in `folder`, never following a link or opening an existing file;
// returns its descriptor, locked, and its name in `temp`, or -1 with the reason.
int CreateTemporary(int folder, std::string& temp, std::string& reason) {
    int fd = -1;
    for (int attempt = 0; attempt < CREATE_ATTEMPTS && fd < 0; ++attempt) {
        temp = TEMP_PREFIX + std::to_string(getpid()) + "-" + RandomChars() + TEMP_SUFFIX;
        fd = safe_write_calls.openat(folder, temp.c_str(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        reason = Because("cannot create a temporary file", errno);
        return -1;
    }
    // A new file: nobody else holds it, so this cannot block.
    flock(fd, LOCK_EX | LOCK_NB);
    return fd;
}

// Runs `write` on a stream over `fd`; false with the reason when the content did not all arrive.
bool WriteContent(int fd, const std::function<void(std::ostream&)>& write, std::string& reason) {
    DescriptorBuffer buffer(fd);
    std::ostream out(&buffer);
    std::string thrown;
    bool threw = false;
    try {
        write(out);
        out.flush();
    } catch (const std::exception& e) {
        threw = true;
        thrown = e.what();
    } catch (...) {
        threw = true;
    }
    // A failed write is what makes a content writer give up, so its errno is the real cause.
    if (buffer.error() != 0) {
        reason = Because("cannot write the file", buffer.error());
        return false;
    }
    if (threw) {
        reason = thrown.empty() ? "the content could not be made" : thrown;
        return false;
    }
    if (!out) {
        reason = "the content could not be made";
        return false;
    }
    return true;
}

// Writes the temporary file, syncs and closes it, and renames it over the target. On failure the
// temporary file is removed and the target is as it was.
bool WriteAndReplace(int folder, const std::string& name, mode_t mode,
                     const std::function<void(std::ostream&)>& write, std::string& reason) {
    std::string temp;
    const int fd = CreateTemporary(folder, temp, reason);
    if (fd < 0) return false;
    // Keep the target's permissions exactly (the umask would narrow them). Some file systems
    // (FAT, for one) refuse any chmod; the save is still good there.
    fchmod(fd, mode);
    bool ok = WriteContent(fd, write, reason);
    if (ok && safe_write_calls.fsync(fd) != 0) {
        reason = Because("cannot flush the file to disk", errno);
        ok = false;
    }
    // close() can report a write-back error that fsync did not (NFS does this).
    if (safe_write_calls.close(fd) != 0 && ok) {
        reason = Because("cannot close the file", errno);
        ok = false;
    }
    if (ok && safe_write_calls.renameat(folder, temp.c_str(), folder, name.c_str()) != 0) {
        reason = Because("cannot replace the file", errno);
        ok = false;
    }
    if (!ok) unlinkat(folder, temp.c_str(), 0);
    return ok;
}

}  // namespace

namespace {

// Opens the folder of `path` after checking the path and its target: the folder's descriptor,
// with the split path and the mode a new file takes, or -1 with the reason.
int OpenCheckedFolder(const std::string& path, SplitPath& split, mode_t& mode,
                      std::string& reason) {
    reason.clear();
    if (path.empty()) {
        reason = "the path is empty";
        return -1;
    }
    split = Split(path);
    if (split.name.empty()) {
        reason = "the path is a folder";
        return -1;
    }
    // Everything below names files relative to the open folder: no name is looked up twice
    // through the path, and the temporary name needs no room beyond the folder's path.
    const int folder = safe_write_calls.openat(AT_FDCWD, split.folder.c_str(),
                                               O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (folder < 0) {
        reason = Because("cannot open folder " + split.folder, errno);
        return -1;
    }
    if (CheckTarget(folder, split, mode, reason)) return folder;
    close(folder);
    return -1;
}

// The rename itself reaches the disk only with the folder. The new file is in place either way,
// so a failure here is a warning, not a failed save.
void SyncFolder(int folder, std::string& reason) {
    if (safe_write_calls.fsync(folder) != 0)
        reason = Because(
            "saved, but the folder could not be synced, so the new file may not "
            "survive a power cut",
            errno);
}

}  // namespace

bool WriteFileSafely(const std::string& path, const std::function<void(std::ostream&)>& write,
                     std::string& reason) {
    SplitPath split;
    mode_t mode = 0;
    const int folder = OpenCheckedFolder(path, split, mode, reason);
    if (folder < 0) return false;
    RemoveStaleTemporaries(folder);
    const bool ok = WriteAndReplace(folder, split.name, mode, write, reason);
    if (ok) SyncFolder(folder, reason);
    close(folder);
    return ok;
}

int CreateTemporaryBeside(const std::string& path, std::string& temp, std::string& reason) {
    SplitPath split;
    mode_t mode = 0;
    const int folder = OpenCheckedFolder(path, split, mode, reason);
    if (folder < 0) return -1;
    RemoveStaleTemporaries(folder);
    std::string name;
    const int fd = CreateTemporary(folder, name, reason);
    close(folder);
    if (fd < 0) return -1;
    fchmod(fd, mode);
    temp = split.folder + "/" + name;
    return fd;
}

bool ReplaceSafely(int fd, const std::string& temp, const std::string& path, std::string& reason) {
    reason.clear();
    bool ok = safe_write_calls.fsync(fd) == 0;
    if (!ok) reason = Because("cannot flush the file to disk", errno);
    if (safe_write_calls.close(fd) != 0 && ok) {
        reason = Because("cannot close the file", errno);
        ok = false;
    }
    if (ok && rename(temp.c_str(), path.c_str()) != 0) {
        reason = Because("cannot replace the file", errno);
        ok = false;
    }
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    const int folder = open(Split(path).folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        SyncFolder(folder, reason);
        close(folder);
    }
    return true;
}
