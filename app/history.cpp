// SPDX-License-Identifier: MIT
// Writes the session history. Start at HistoryStart: it finds and checks the folder, creates this
// session's file without ever following a link planted in the folder (every step goes through
// the folder's descriptor with O_NOFOLLOW), then trims the oldest sessions. HistoryWrite appends.
#include "app/history.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <new>

#include "config/session_files.h"
#include "config/write_all.h"
#include "engine/journal.h"
#include "export/thumbnail.h"
#include "morvane/version.h"
#include "platform/platform.h"

namespace {

// Seconds a file may seem written after this session started and still be taken at its word:
// another window keeps writing its file while this one starts.
constexpr std::time_t FUTURE_SLACK = 3600;

// The folder's descriptor and this session's file, or -1.
int folder_fd = -1;
int file_fd = -1;
std::string file_path;
std::uint64_t file_bytes = 0;
std::uint32_t session_seed = 0;
// The whole journal of the session, as the file holds it, for the saved pictures' provenance.
std::string journal_text;

void Log(const std::string& text) {
    CRM32Pro_ILogSystem::Msg("session history: %s", text.c_str());
}

std::string Reason(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// "YYYY-MM-DD HH:MM:SS ", the stamp the log puts before each line.
std::string Stamp() {
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    // A time that does not format leaves the stamp empty rather than undefined.
    if (!localtime_r(&now, &local) ||
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &local) == 0)
        stamp[0] = '\0';
    return stamp;
}

// Opens the folder `name` inside the folder `parent`, making it (mode 0700) when missing. A link
// there is refused, not followed.
int OpenChild(int parent, const char* name, const std::string& path, std::string& error) {
    if (mkdirat(parent, name, 0700) != 0 && errno != EEXIST) {
        error = Reason("cannot create " + path);
        return -1;
    }
    const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        error = errno == ELOOP || errno == ENOTDIR ? path + " is a link or not a folder; refused"
                                                   : Reason("cannot open " + path);
    return fd;
}

// The state folder itself may be a link the user made; it is created with its parents when
// missing. Below it, morvane/sessions is opened step by step without following links, and must
// belong to the user; it is made private (0700) when it is not.
int OpenSessionsFolder(std::string& error) {
    const std::string state = StateFolder();
    if (state.empty()) {
        error = "neither XDG_STATE_HOME nor HOME names a folder";
        return -1;
    }
    for (std::size_t slash = state.find('/', 1);; slash = state.find('/', slash + 1)) {
        mkdir(state.substr(0, slash).c_str(), 0700);
        if (slash == std::string::npos) break;
    }
    const int top = open(state.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0) {
        error = Reason("cannot open " + state);
        return -1;
    }
    const int app = OpenChild(top, "morvane", state + "/morvane", error);
    close(top);
    if (app < 0) return -1;
    const int sessions = OpenChild(app, "sessions", SessionsFolder(), error);
    close(app);
    if (sessions < 0) return -1;
    struct stat st {};
    if (fstat(sessions, &st) != 0 || st.st_uid != getuid()) {
        error = SessionsFolder() + " does not belong to this user; refused";
        close(sessions);
        return -1;
    }
    if ((st.st_mode & 077) != 0) fchmod(sessions, 0700);
    return sessions;
}

// A new file for this session, which also claims its seed: the name holds the start second and
// the seed, and is created exclusively, so a second window started in the same second with the
// same seed finds the name taken and takes the next seed (and so on), and grows another picture.
int CreateSessionFile(int folder, std::uint32_t& seed, std::time_t start, std::string& name) {
    for (int tries = 0; tries < 1000; ++tries, ++seed) {
        name = SessionFileName(start, seed, 1);
        const int fd =
            openat(folder, name.c_str(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_APPEND, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

void CloseFile() {
    if (file_fd >= 0) close(file_fd);
    if (folder_fd >= 0) close(folder_fd);
    file_fd = folder_fd = -1;
}

struct SessionFile {
    // When the file was last written, in nanoseconds since the epoch; a time well after this
    // session's start was written by a clock that ran ahead, so the file's real age is unknown
    // and it counts as older than any other.
    std::int64_t written = 0;
    bool future = false;
    std::string name;
    std::uint64_t bytes = 0;  // with its thumbnail's
    std::vector<std::string> thumbnails;
};

// Newest first by when each file was written: a name only says when its clock thought the
// session started.
bool Newer(const SessionFile& a, const SessionFile& b) {
    if (a.future != b.future) return b.future;
    if (a.written != b.written) return a.written > b.written;
    return b.name < a.name;
}

// The regular files with our names in the history folder: the sessions, `keep` first, each with
// its thumbnail's bytes counted in its own, and the thumbnails whose session is gone. False when
// the folder cannot be listed.
bool ListSessions(int folder, const std::string& keep, std::time_t now,
                  std::vector<SessionFile>& files, std::vector<std::string>& orphans) {
    const int listing = dup(folder);
    DIR* dir = listing >= 0 ? fdopendir(listing) : nullptr;
    if (!dir) {
        if (listing >= 0) close(listing);
        return false;
    }
    // The copy shares the folder's read position: start from the first entry.
    rewinddir(dir);
    files.assign(1, SessionFile{{}, false, keep, 0, {}});
    std::vector<std::pair<std::string, std::uint64_t>> thumbnails;
    while (const dirent* entry = readdir(dir)) {
        const bool session = ParseSessionFileName(entry->d_name).has_value();
        struct stat st {};
        if ((!session && !ThumbnailSession(entry->d_name)) ||
            fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        const auto size = static_cast<std::uint64_t>(st.st_size);
        if (!session)
            thumbnails.emplace_back(entry->d_name, size);
        else if (entry->d_name == keep)
            files.front().bytes = size;
        else
            files.push_back({st.st_mtim.tv_sec * std::int64_t{1'000'000'000} + st.st_mtim.tv_nsec,
                             st.st_mtim.tv_sec > now + FUTURE_SLACK,
                             entry->d_name,
                             size,
                             {}});
    }
    closedir(dir);
    std::map<std::string, SessionFile*> by_name;
    for (SessionFile& f : files) by_name[f.name] = &f;
    for (const auto& [name, size] : thumbnails) {
        const auto owner = by_name.find(*ThumbnailSession(name));
        if (owner == by_name.end()) {
            orphans.push_back(name);
            continue;
        }
        owner->second->bytes += size;
        owner->second->thumbnails.push_back(name);
    }
    return true;
}

}  // namespace

int PruneSessions(int folder, const std::string& keep, std::size_t sessions, std::uint64_t bytes,
                  std::time_t now) {
    std::vector<SessionFile> files;
    std::vector<std::string> orphans;
    if (!ListSessions(folder, keep, now, files, orphans)) return 0;
    for (const std::string& name : orphans) unlinkat(folder, name.c_str(), 0);
    // The session kept comes first and always stays; the others newest first: those that fit
    // stay, the first one that does not and all older go, each with its thumbnail.
    std::sort(files.begin() + 1, files.end(), Newer);
    std::size_t count = 1;
    std::uint64_t total = files.front().bytes;
    int removed = 0;
    bool full = false;
    for (auto f = files.begin() + 1; f != files.end(); ++f) {
        full = full || ++count > sessions || (total += f->bytes) > bytes;
        if (!full) continue;
        for (const std::string& thumbnail : f->thumbnails) unlinkat(folder, thumbnail.c_str(), 0);
        if (unlinkat(folder, f->name.c_str(), 0) == 0) ++removed;
    }
    return removed;
}

std::uint32_t HistoryStart(std::uint32_t seed, std::time_t start) {
    CloseFile();
    journal_text.clear();
    file_path.clear();
    file_bytes = 0;
    std::string error, name;
    folder_fd = OpenSessionsFolder(error);
    session_seed = seed;
    if (folder_fd < 0) {
        Log(error + "; this session is not kept");
        return session_seed;
    }
    file_fd = CreateSessionFile(folder_fd, seed, start, name);
    if (file_fd < 0) {
        Log(Reason("cannot create a file in " + SessionsFolder()) + "; this session is not kept");
        CloseFile();
        return session_seed;
    }
    session_seed = seed;
    file_path = SessionsFolder() + "/" + name;
    const int removed = PruneSessions(folder_fd, name, HISTORY_SESSIONS, HISTORY_BYTES, start);
    Log(file_path + (removed > 0 ? " (" + std::to_string(removed) + " oldest removed)" : ""));
    return session_seed;
}

void HistoryWrite(const std::string& text, bool flush) {
    const std::string line = Stamp() + text + "\n";
    journal_text += line;
    if (file_fd < 0) return;
    // A file past the bound would only be removed at the next start: it stops growing instead.
    const bool too_big = file_bytes + line.size() > HISTORY_BYTES;
    if (too_big || !WriteAll(file_fd, line.data(), line.size()) ||
        (flush && fdatasync(file_fd) != 0)) {
        Log(too_big ? file_path + " reached its bound of 256 MiB; it ends here"
                    : Reason("cannot write " + file_path) + "; it ends here");
        CloseFile();
        return;
    }
    file_bytes += line.size();
}

void HistoryEnd() {
    if (file_fd >= 0 && fdatasync(file_fd) != 0) Log(Reason("cannot write " + file_path));
    CloseFile();
}

HistoryThumbnail::~HistoryThumbnail() {
    if (folder >= 0) close(folder);
}

std::shared_ptr<const HistoryThumbnail> ThumbnailPlace() {
    if (file_fd < 0 || folder_fd < 0) return nullptr;
    auto place = std::make_shared<HistoryThumbnail>();
    place->folder = fcntl(folder_fd, F_DUPFD_CLOEXEC, 0);
    place->session = file_path.substr(file_path.rfind('/') + 1);
    if (place->folder < 0) return nullptr;
    return place;
}

bool WriteThumbnail(const HistoryThumbnail& place, const CanvasSnapshot& snapshot,
                    std::uint64_t frame) noexcept {
    const std::string name = ThumbnailFileName(place.session);
    const std::string temp = ThumbnailTempName(place.session);
    std::string png;
    try {
        png =
            ThumbnailPng(SnapshotTile(snapshot, HISTORY_TILE), ThumbnailTag(place.session, frame));
    } catch (const std::bad_alloc&) {
        // No memory for the tile: no thumbnail, and the save it follows stands.
    }
    const int fd = png.empty()
                       ? -1
                       : openat(place.folder, temp.c_str(),
                                O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool written = fd >= 0 && WriteAll(fd, png.data(), png.size()) && fdatasync(fd) == 0;
    if (fd >= 0) written = close(fd) == 0 && written;
    if (written && renameat(place.folder, temp.c_str(), place.folder, name.c_str()) == 0)
        return true;
    // The thumbnail there shows an earlier save, no longer the last: it must not stand for it.
    if (fd >= 0) unlinkat(place.folder, temp.c_str(), 0);
    unlinkat(place.folder, name.c_str(), 0);
    return false;
}

const std::string& HistoryFile() {
    return file_path;
}

std::vector<TextChunk> ProvenanceChunks(const std::string& path, std::uint64_t frame) {
    journal::Entry save;
    save.kind = journal::Kind::Save;
    save.frame = frame;
    save.value = path;
    save.on = true;
    std::vector<TextChunk> chunks = {
        {"Software", "morvane " MORVANE_VERSION},
        {"morvane:seed", std::to_string(session_seed)},
    };
    // A journal longer than the renderer reads back would only make the file bigger: the
    // picture then says where it comes from by its seed alone.
    if (journal_text.size() > PNG_JOURNAL_BYTES) return chunks;
    chunks.push_back(
        {"morvane:journal", journal_text + Stamp() + journal::Format(save) + "\n", true});
    chunks.push_back({"morvane:target", "save"});
    return chunks;
}
