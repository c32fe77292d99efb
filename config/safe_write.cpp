// WriteFileSafely: temporary file in the target's folder, fsync, rename over the target.
// Used by both savers (settings and image).
#include "config/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <fstream>

namespace {

std::string Folder(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// Not writable for us, or marked read-only for everybody: root passes access() on any file, yet a
// file or folder without a single write bit was made read-only on purpose and is left alone.
bool ReadOnly(const char* path, const struct stat& st) {
    return access(path, W_OK) != 0 || (st.st_mode & 0222) == 0;
}

// Checks what can be known before writing anything: the target, if present, is a writable
// regular file, and its folder exists and is writable.
bool CheckTarget(const std::string& path, mode_t& mode, std::string& reason) {
    mode = 0666 & ~[] {
        const mode_t mask = umask(0);
        umask(mask);
        return mask;
    }();
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            reason = "the path is a folder";
            return false;
        }
        if (ReadOnly(path.c_str(), st)) {
            errno = EACCES;
            reason = SystemError("the file is read-only");
            return false;
        }
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        reason = SystemError("cannot reach the file");
        return false;
    }
    const std::string folder = Folder(path);
    struct stat folder_st {};
    if (stat(folder.c_str(), &folder_st) != 0) {
        reason = SystemError(("no folder " + folder).c_str());
        return false;
    }
    if (ReadOnly(folder.c_str(), folder_st)) {
        errno = EACCES;
        reason = SystemError(("cannot write in folder " + folder).c_str());
        return false;
    }
    return true;
}

bool SyncFile(const std::string& name, std::string& reason) {
    const int fd = open(name.c_str(), O_RDONLY);
    if (fd < 0 || fsync(fd) != 0) {
        reason = SystemError("cannot flush the file to disk");
        if (fd >= 0) close(fd);
        return false;
    }
    return close(fd) == 0;
}

}  // namespace

bool WriteFileSafely(const std::string& path, const std::function<void(std::ostream&)>& write,
                     std::string& reason) {
    mode_t mode = 0;
    if (path.empty()) {
        reason = "the path is empty";
        return false;
    }
    if (!CheckTarget(path, mode, reason)) return false;

    // A name no other save uses: the target's name, our process id and a counter.
    static unsigned counter = 0;
    const std::string temp =
        path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode);
    if (fd < 0) {
        reason = SystemError("cannot create the temporary file");
        return false;
    }
    close(fd);

    bool ok = true;
    errno = 0;
    try {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        write(out);
        out.flush();
        if (!out) {
            errno = errno ? errno : EIO;
            reason = SystemError("write failed");
            ok = false;
        }
        out.close();
        if (ok && out.fail()) {
            reason = SystemError("close failed");
            ok = false;
        }
    } catch (const std::exception& e) {
        reason = e.what();
        ok = false;
    }
    ok = ok && SyncFile(temp, reason);
    if (ok && rename(temp.c_str(), path.c_str()) != 0) {
        reason = SystemError("cannot replace the file");
        ok = false;
    }
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int dir = open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}
