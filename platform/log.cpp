// The log file: one time-stamped line per message, flushed at once so that a crash loses nothing.
// Before Init (or when the file cannot be opened) the lines go to standard error. Messages quote
// paths and texts from the settings file, so each is escaped to one line and cut to a sane length.
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "platform/internal.h"
#include "platform/platform.h"

namespace {

// Longest message text written, after escaping; the rest is cut with a mark that says how much.
constexpr std::size_t MAX_MESSAGE_BYTES = 1000;

// The open log file, or null: then Msg writes to standard error.
std::FILE* log_file = nullptr;

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

// The text as it goes into the log: escaped, and cut at MAX_MESSAGE_BYTES (never inside an
// escape) with a mark naming the number of bytes of the text that were left out.
std::string OneLine(const std::string& text) {
    std::string line;
    std::size_t used = 0;
    for (; used < text.size(); ++used) {
        const std::size_t before = line.size();
        AppendEscaped(line, static_cast<unsigned char>(text[used]));
        if (line.size() > MAX_MESSAGE_BYTES) {
            line.resize(before);
            break;
        }
    }
    if (used < text.size()) line += " [" + std::to_string(text.size() - used) + " more bytes cut]";
    return line;
}

// Writes "YYYY-MM-DD HH:MM:SS text" and a line feed, then flushes.
void WriteLine(const std::string& raw) {
    const std::string text = OneLine(raw);
    std::FILE* out = log_file ? log_file : stderr;
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local) ||
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local) == 0)
        stamp[0] = '\0';
    std::fprintf(out, "%s %s\n", stamp, text.c_str());
    // A line the log file did not take still reaches standard error.
    if (std::fflush(out) != 0 && out != stderr)
        std::fprintf(stderr, "morvane: not written to the log: %s %s\n", stamp, text.c_str());
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

}  // namespace

namespace platform {

bool LogIsFile() {
    return log_file != nullptr;
}

}  // namespace platform

namespace CRM32Pro_ILogSystem {

void Init(const char* file, const char* name) {
    if (log_file && std::fclose(log_file) != 0)
        std::fprintf(stderr, "morvane: the previous log file did not close cleanly\n");
    log_file = file ? std::fopen(file, "w") : nullptr;
    if (!log_file) {
        WriteLine(std::string("log file '") + (file ? file : "(none)") +
                  "' cannot be opened; logging to standard error");
        return;
    }
    WriteLine(std::string(name ? name : "log") + " log started");
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
