// SPDX-License-Identifier: MIT
// The log file: one time-stamped line per message, written at once so that a crash loses nothing.
// Before Init (or when the file cannot be opened) the lines go to standard error. Messages quote
// paths and texts from the settings file, so each is escaped to one line and cut to a sane length;
// journal lines are never cut, and a line the file could not take is never silently lost: once
// writing works again, the log says how many lines are missing.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "platform/internal.h"
#include "platform/platform.h"

namespace {

// Longest message text written, after escaping; the rest is cut with a mark that says how much.
// Journal lines are exempt: a replay needs every byte, and their longest text (a quoted path of
// PATH_MAX bytes at three bytes each) is bounded by what the program writes.
constexpr std::size_t MAX_MESSAGE_BYTES = 1000;
constexpr std::string_view JOURNAL = "journal ";

// The open log file, or -1: then Msg writes to standard error.
int log_fd = -1;

// Lines the file did not take since the last one it did: journal lines (and the frame stamp of
// the first of them, as its text gives it) and other messages.
struct Losses {
    unsigned long long journal = 0, other = 0;
    std::string first_frame;
    int error = 0;
    // A write was cut short and the part written could not be taken back: the next line must
    // start on a line of its own.
    bool line_open = false;
};
Losses losses;

// Appends byte `c` so that no message can break its line or pass for another one: control bytes
// (below 0x20, and 0x7F) become \n, \r, \t or \xHH, and the backslash doubles so that an escape
// is never ambiguous. Bytes above 0x7F (Latin-1 text) stay as they are.
void AppendEscaped(std::string& line, unsigned char c) {
    static const char HEX[] = "0123456789ABCDEF";
    if (c == '\\') {
        line += "\\\\";
    } else if (c == '\n') {
        line += "\\n";
    } else if (c == '\r') {
        line += "\\r";
    } else if (c == '\t') {
        line += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
        line += "\\x";
        line += HEX[c >> 4];
        line += HEX[c & 15];
    } else {
        line += static_cast<char>(c);
    }
}

bool IsJournal(const std::string& text) {
    return text.compare(0, JOURNAL.size(), JOURNAL) == 0;
}

// The text as it goes into the log: escaped, and (but for a journal line) cut at
// MAX_MESSAGE_BYTES, never inside an escape, with a mark naming the bytes left out.
std::string OneLine(const std::string& text) {
    const std::size_t limit = IsJournal(text) ? std::string::npos : MAX_MESSAGE_BYTES;
    std::string line;
    std::size_t used = 0;
    for (; used < text.size(); ++used) {
        const std::size_t before = line.size();
        AppendEscaped(line, static_cast<unsigned char>(text[used]));
        if (line.size() > limit) {
            line.resize(before);
            break;
        }
    }
    if (used < text.size()) line += " [" + std::to_string(text.size() - used) + " more bytes cut]";
    return line;
}

std::string Stamp() {
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local) ||
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local) == 0)
        stamp[0] = '\0';
    return stamp;
}

// Writes all of `bytes` at the end of the log. When the file takes only part of them, the part is
// cut off again, so that no fragment is left for the next line to be glued to.
bool Append(const std::string& bytes) {
    const off_t start = lseek(log_fd, 0, SEEK_END);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(log_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            losses.error = n < 0 ? errno : EIO;
            if (done > 0 && (start < 0 || ftruncate(log_fd, start) != 0)) losses.line_open = true;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void CountLost(const std::string& text) {
    if (!IsJournal(text)) {
        ++losses.other;
        return;
    }
    // "journal @N ..." gives its frame; the start line stands before frame 0.
    if (losses.journal++ == 0) {
        const std::size_t digits =
            text.compare(JOURNAL.size(), 1, "@") == 0 ? JOURNAL.size() + 1 : text.size();
        const std::size_t end = text.find(' ', digits);
        losses.first_frame = digits < text.size() ? text.substr(digits, end - digits) : "0";
    }
}

// The lines that say what is missing, for the next write to put first; empty when nothing is.
std::string LossReport(const std::string& stamp) {
    std::string report = losses.line_open ? "\n" : "";
    if (losses.journal > 0)
        report += stamp + " journal @" + losses.first_frame + " lost " +
                  std::to_string(losses.journal) + "\n";
    if (losses.journal + losses.other > 0)
        report += stamp + " log: " + std::to_string(losses.journal + losses.other) +
                  " lines could not be written (" + std::strerror(losses.error) + ")\n";
    return report;
}

// Writes "YYYY-MM-DD HH:MM:SS text" and a line feed, after the report of any lines lost before.
void WriteLine(const std::string& raw) {
    const std::string stamp = Stamp();
    const std::string line = stamp + " " + OneLine(raw) + "\n";
    if (log_fd < 0) {
        std::fputs(line.c_str(), stderr);
        // Standard error is the last resort: a failure there has nowhere to be reported.
        (void)std::fflush(stderr);
        return;
    }
    if (!Append(LossReport(stamp) + line)) {
        CountLost(raw);
        return;
    }
    losses = Losses{};
}

// Formats printf-style into a string of whatever length the text needs.
std::string Format(const char* format, std::va_list args) {
    std::va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<std::size_t>(needed));
}

// Opens `file` as the log, emptied, or returns -1 with the reason. Only a regular file (or a new
// one) is taken: a symbolic link is not followed (it could make the log empty any file the user
// can write), and a FIFO or device is refused without waiting for a reader. The log is locked
// for as long as it is open: a file another running program holds is left as it is, with `busy`
// set, so that a second window in the same folder never cuts the first one's record short.
int OpenLog(const std::string& file, std::string& reason, bool& busy) {
    busy = false;
    const int fd = open(file.c_str(),
                        O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason = errno == ELOOP ? "it is a symbolic link" : std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        reason = "it is not a regular file";
    } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        busy = errno == EWOULDBLOCK;
        reason = busy ? "another running program writes it" : std::strerror(errno);
    } else if (ftruncate(fd, 0) != 0) {
        reason = std::strerror(errno);
    } else {
        fcntl(fd, F_SETFL, O_APPEND);
        return fd;
    }
    close(fd);
    return -1;
}

// "morvane-2.log" for copy 2 of "morvane.log": the name with "-N" before its extension.
std::string CopyName(const std::string& file, int copy) {
    if (copy == 1) return file;
    const std::size_t slash = file.rfind('/');
    std::size_t dot = file.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot == (slash == std::string::npos ? 0 : slash + 1))
        dot = file.size();
    return file.substr(0, dot) + "-" + std::to_string(copy) + file.substr(dot);
}

// Opens the log `file`, or, while other running programs hold it (windows started in the same
// folder), the first of its copies "-2" to "-9" that none holds. Returns the descriptor, or -1
// with the reason; `used` names the file taken.
int OpenFreeLog(const std::string& file, std::string& used, std::string& reason) {
    constexpr int COPIES = 9;
    for (int copy = 1; copy <= COPIES; ++copy) {
        used = CopyName(file, copy);
        bool busy = false;
        const int fd = OpenLog(used, reason, busy);
        if (!busy) return fd;
    }
    used = file;
    reason = "it and its copies up to " + CopyName(file, COPIES) + " are held by running programs";
    return -1;
}

}  // namespace

namespace platform {

bool LogIsFile() {
    return log_fd >= 0;
}

}  // namespace platform

namespace CRM32Pro_ILogSystem {

void Init(const char* file, const char* name) {
    if (log_fd >= 0) close(log_fd);
    losses = Losses{};
    std::string reason = "no file named", used = file ? file : "(none)";
    log_fd = file ? OpenFreeLog(file, used, reason) : -1;
    if (log_fd < 0) {
        WriteLine("log file '" + used + "' cannot be opened (" + reason +
                  "); logging to standard error");
        return;
    }
    WriteLine(std::string(name ? name : "log") + " log started");
    if (used != file)
        WriteLine(std::string(file) + " is held by another running program (a window started " +
                  "in the same folder); this one logs to " + used);
}

void Msg(const char* format, ...) {
    if (!format) return;
    std::va_list args;
    va_start(args, format);
    std::string text = Format(format, args);
    va_end(args);
    // The callers end their formats with a line feed; the line break is ours to write.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    WriteLine(text);
}

}  // namespace CRM32Pro_ILogSystem
