// SPDX-License-Identifier: MIT
// The renderer's side of the session history. Sessions are found by their file names (the
// names sort by start time) and read in full through LoadJournalFile, which is where a file cut
// short by a killed program is told from a damaged one.
#include "render/session/history.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <vector>

#include "config/bounded_read.h"
#include "config/session_files.h"
#include "engine/settings.h"
#include "export/scale.h"
#include "export/thumbnail.h"
#include "render/batch/gallery.h"
#include "render/batch/sheet.h"
#include "render/batch/sweep.h"
#include "render/session/session.h"

namespace {

constexpr int EXIT_FAILED = 1;
// The longest journal file read: a session's history file stops at 256 MiB, and a log holds
// the same journal lines and a few others.
constexpr std::uint64_t MAX_JOURNAL_FILE_BYTES = std::uint64_t{512} << 20;
// The sheet shows this many of the newest sessions, in tiles this wide.
constexpr std::size_t SHEET_SESSIONS = 9;
constexpr int SHEET_TILE = HISTORY_TILE;
// A thumbnail is a tile of at most 256 x 2048 bytes (a canvas four times as high as wide); a
// larger file is not one.
constexpr std::uint64_t MAX_THUMBNAIL_BYTES = std::uint64_t{1} << 20;

struct Kept {
    SessionName name;
    std::string path;
};

// The regular files with session names in the history folder, newest first.
std::vector<Kept> KeptSessions() {
    std::vector<Kept> kept;
    const std::string folder = SessionsFolder();
    DIR* dir = folder.empty() ? nullptr : opendir(folder.c_str());
    if (!dir) return kept;
    while (const dirent* entry = readdir(dir)) {
        const auto name = ParseSessionFileName(entry->d_name);
        const std::string path = folder + "/" + entry->d_name;
        struct stat st {};
        if (name && lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            kept.push_back({*name, path});
    }
    closedir(dir);
    std::sort(kept.begin(), kept.end(),
              [](const Kept& a, const Kept& b) { return b.name < a.name; });
    return kept;
}

// A path from a journal as it may go to a terminal: control bytes shown as '?'.
std::string Printable(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text;
}

std::string Size(const SessionRecord& s) {
    return std::to_string(s.journal.start.width) + "x" + std::to_string(s.journal.start.height);
}

// The marks of a checked journal's text: each restart, save and end, and the last stamp.
void Mark(const std::string& text, SessionRecord& s) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto e = journal::ParseLogLine(line);
        if (!e || e->kind == journal::Kind::Start) continue;
        s.frames = e->frame;
        const bool mark = e->kind == journal::Kind::Restart || e->kind == journal::Kind::Save ||
                          e->kind == journal::Kind::End;
        if (mark) s.marks.push_back(*e);
        s.restarts += e->kind == journal::Kind::Restart;
        s.saves += e->kind == journal::Kind::Save && e->on;
        s.ended = s.ended || e->kind == journal::Kind::End;
    }
}

// Replays a kept session to the picture it kept: its last save, else its end (the last event,
// for a killed one). False, with the reason, when the journal does not replay.
bool ReplayFinal(SessionRecord& s, Replayed& replayed, RenderOptions::Target& target,
                 std::string& error) {
    SetCanvasSize(s.journal.start.width, s.journal.start.height);
    target = s.saves > 0 ? RenderOptions::Target::LastSave
             : s.ended   ? RenderOptions::Target::End
                         : RenderOptions::Target::Frame;
    replayed = ReplayTo(s.journal, target, s.frames, error);
    return replayed.events >= 0;
}

// The folder for the sessions' pictures: --dir (default "history") for a gallery, which keeps
// them; a temporary one for a sheet alone, removed afterwards.
bool PicturesFolder(const RenderOptions& o, std::string& folder, std::string& error) {
    if (!o.gallery) {
        char temporary[] = "/tmp/morvane-history-XXXXXX";
        if (mkdtemp(temporary))
            folder = temporary;
        else
            error = std::strerror(errno);
        return !folder.empty();
    }
    folder = o.dir_given ? o.dir : "history";
    return MakeFolder(folder, error);
}

}  // namespace

bool LoadSession(const std::string& path, SessionRecord& s, bool quiet, std::string& error) {
    std::string text;
    if (!ReadBoundedInput(path, MAX_JOURNAL_FILE_BYTES, text, error)) {
        error = "cannot read " + path + ": " + error;
        return false;
    }
    if (!text.empty() && text.back() != '\n') {
        const std::size_t cut = text.rfind('\n') + 1;
        if (!quiet)
            std::fprintf(stderr, "morvane-render: %s: line %ld was cut short; left out\n",
                         path.c_str(),
                         static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1);
        text.resize(cut);
    }
    // A history file holds journal lines alone (a log has others too): there any other line is
    // damage, not a line to pass over.
    if (journal::LooksLikeJournal(text.substr(0, text.find('\n')))) {
        std::istringstream check(text);
        std::string line;
        for (long number = 1; std::getline(check, line); ++number)
            if (!journal::LooksLikeJournal(line)) {
                error = path + ": line " + std::to_string(number) + " is not a journal line";
                return false;
            }
    }
    if (!ParseJournalText(text, s.journal, error)) {
        error = path + ": " + error;
        return false;
    }
    Mark(text, s);
    return true;
}

bool ResolveSession(const std::string& name, std::string& path, std::string& error) {
    path = name;
    if (name.empty() || name[0] != '@') return true;
    std::size_t n = 0;
    const char* first = name.data() + 1;
    const char* last = name.data() + name.size();
    const auto r = std::from_chars(first, last, n);
    if (name != "@last" && (r.ec != std::errc{} || r.ptr != last || n < 1 || *first == '0')) {
        error = "'" + name + "' names no session: use @last, @2, @3 ... or a path";
        return false;
    }
    if (name == "@last") n = 1;
    const std::vector<Kept> kept = KeptSessions();
    if (n > kept.size()) {
        error = "the history in " + SessionsFolder() + " keeps " + std::to_string(kept.size()) +
                " sessions; there is no " + name;
        return false;
    }
    path = kept[n - 1].path;
    return true;
}

bool RestartFrame(const SessionRecord& s, std::uint64_t k, std::uint64_t& frame,
                  std::string& error) {
    std::uint64_t restarts = 0;
    for (const journal::Entry& e : s.marks) {
        if (e.kind != journal::Kind::Restart || ++restarts != k) continue;
        frame = e.frame;
        return true;
    }
    error = "the session has " + std::to_string(restarts) + " restarts, not " + std::to_string(k);
    return false;
}

int ListHistory() {
    const std::vector<Kept> kept = KeptSessions();
    if (kept.empty()) {
        std::printf("no sessions kept in %s\n", SessionsFolder().c_str());
        return 0;
    }
    std::printf("%-6s %-19s %-10s %-9s %9s %8s %5s  %s\n", "", "started (UTC)", "seed", "size",
                "frames", "restarts", "saves", "file");
    bool unfinished = false;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        SessionRecord s;
        std::string error;
        std::string at = "@last";
        if (i > 0) at = '@' + std::to_string(i + 1);
        if (!LoadSession(kept[i].path, s, true, error)) {
            std::fprintf(stderr, "morvane-render: %s: %s\n", at.c_str(), error.c_str());
            continue;
        }
        unfinished = unfinished || !s.ended;
        std::printf("%-6s %-19s %-10u %-9s %8llu%s %8d %5d  %s\n", at.c_str(),
                    ReadableStamp(kept[i].name.stamp).c_str(), s.journal.start.seed,
                    Size(s).c_str(), static_cast<unsigned long long>(s.frames), s.ended ? " " : "+",
                    s.restarts, s.saves, kept[i].path.c_str());
    }
    if (unfinished) std::printf("+: the session did not quit (it was killed, or it is running)\n");
    return 0;
}

void ListEvents(const SessionRecord& s) {
    std::printf("seed %u, %s\n", s.journal.start.seed, Size(s).c_str());
    int saves = 0, restarts = 0;
    for (const journal::Entry& e : s.marks) {
        const auto frame = static_cast<unsigned long long>(e.frame);
        if (e.kind == journal::Kind::Restart) {
            ++restarts;
            std::printf("restart %-4d frame %-8llu --before-restart %d\n", restarts, frame,
                        restarts);
        } else if (e.kind == journal::Kind::Save && e.on) {
            ++saves;
            std::printf("save %-7d frame %-8llu --save %d  %s\n", saves, frame, saves,
                        Printable(e.value).c_str());
        } else if (e.kind == journal::Kind::Save) {
            std::printf("save failed  frame %-8llu %s\n", frame, Printable(e.value).c_str());
        } else if (e.kind == journal::Kind::End) {
            std::printf("end          frame %-8llu --end\n", frame);
        }
    }
}

namespace {

// The thumbnail the window wrote of session `k`'s last save, when it is a regular file tagged
// with that save and of the sheet tile's size; anything else (none, an earlier save's, another
// session's, damaged, a link) is no thumbnail, and the session is replayed instead.
bool KeptThumbnail(const Kept& k, const SessionRecord& s, GreyTile& tile) {
    if (s.journal.save_frames.empty()) return false;
    const std::string session = k.path.substr(k.path.rfind('/') + 1);
    const std::string path = k.path.substr(0, k.path.rfind('/') + 1) + ThumbnailFileName(session);
    struct stat st {};
    std::string bytes, error;
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ReadBoundedInput(path, MAX_THUMBNAIL_BYTES, bytes, error) &&
           ReadThumbnailPng(bytes, SHEET_TILE,
                            ScaledHeight(s.journal.start.width, s.journal.start.height, SHEET_TILE),
                            ThumbnailTag(session, s.journal.save_frames.back()), tile);
}

// The final picture of kept session `k` for the sheet: its thumbnail when `thumbnail` allows and
// it has a good one, else replayed and written to `picture` with the journal that made it, so
// that from (and a gallery's command) makes it again. A session that cannot be read or replayed
// (a file a full disk left empty, say) is passed over with one line; false, with the reason,
// only when the picture cannot be written.
bool RenderKept(const Kept& k, const std::string& picture, bool thumbnail, bool quiet,
                std::vector<SheetTile>& tiles, std::string& error) {
    SessionRecord s;
    Replayed replayed;
    RenderOptions::Target target{};
    std::string skipped;
    const bool loaded = LoadSession(k.path, s, quiet, skipped);
    // A tile from a thumbnail has no picture file.
    SheetTile tile{{},
                   ReadableStamp(k.name.stamp).substr(0, 16) + " seed " +
                       std::to_string(s.journal.start.seed)};
    if (loaded && thumbnail && KeptThumbnail(k, s, tile.ready)) {
        tiles.push_back(std::move(tile));
        return true;
    }
    tile.path = picture;
    if (!loaded || !ReplayFinal(s, replayed, target, skipped)) {
        // LoadSession's reasons name the file already.
        std::fprintf(stderr, "morvane-render: passed over %s\n",
                     (loaded ? k.path + ": " + skipped : skipped).c_str());
        return true;
    }
    if (!WriteOutput(picture, 0, ReplayProvenance(replayed, target))) {
        error = "cannot write " + picture;
        return false;
    }
    tiles.push_back(std::move(tile));
    return true;
}

}  // namespace

int HistorySheet(const RenderOptions& o) {
    const std::vector<Kept> kept = KeptSessions();
    std::string folder, error;
    if (kept.empty()) error = "no sessions kept in " + SessionsFolder();
    if (error.empty() && !PicturesFolder(o, folder, error)) folder.clear();
    // The newest sessions that replay, up to a sheet's worth.
    std::vector<SheetTile> tiles;
    for (std::size_t i = 0; i < kept.size() && tiles.size() < SHEET_SESSIONS && error.empty();
         ++i) {
        // A gallery's pictures are named after their sessions, so that they sort by start time.
        const std::string name =
            o.gallery ? kept[i].path.substr(kept[i].path.rfind('/') + 1) : std::to_string(i);
        // A gallery shows the full pictures, so its sheet is made of them too; a sheet alone
        // takes the thumbnails.
        RenderKept(kept[i], folder + "/" + name.substr(0, name.rfind('.')) + ".png", !o.gallery,
                   o.quiet, tiles, error);
    }
    if (error.empty() && tiles.empty()) error = "none of the kept sessions could be replayed";
    const auto thumbnails = std::count_if(tiles.begin(), tiles.end(),
                                          [](const SheetTile& t) { return t.path.empty(); });
    if (!o.quiet && !tiles.empty())
        std::fprintf(
            stderr, "history: %ld of %zu pictures from thumbnails%s\n",
            static_cast<long>(thumbnails), tiles.size(),
            static_cast<std::size_t>(thumbnails) < tiles.size() ? ", the others replayed" : "");
    std::vector<std::string> files;
    files.reserve(tiles.size());
    for (const SheetTile& t : tiles) files.push_back(t.path);
    if (error.empty() && !o.sheet.empty())
        BuildSheet(tiles, o.sheet, SHEET_TILE, {}, o.quiet, error);
    if (error.empty() && o.gallery) WriteGallery(files, folder, {}, o.quiet, error);
    if (!o.gallery && !folder.empty()) {
        for (const SheetTile& t : tiles)
            if (!t.path.empty()) unlink(t.path.c_str());
        rmdir(folder.c_str());
    }
    if (error.empty()) return 0;
    std::fprintf(stderr, "morvane-render: %s\n", error.c_str());
    return EXIT_FAILED;
}

int HistoryCommand(const RenderOptions& o) {
    if (o.sheet.empty() && !o.gallery) return ListHistory();
    return o.sheet.empty() || OutputWritable(o.sheet) ? HistorySheet(o) : EXIT_FAILED;
}
