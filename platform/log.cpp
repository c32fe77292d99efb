// The log file: one time-stamped line per message, flushed at once so that a crash loses nothing.
// Before Init (or when the file cannot be opened) the lines go to standard error.
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "platform/internal.h"
#include "platform/platform.h"

namespace {

// The open log file, or null: then Msg writes to standard error.
std::FILE* log_file = nullptr;

// Writes "YYYY-MM-DD HH:MM:SS text" and a line feed, then flushes.
void WriteLine(const std::string& text) {
    std::FILE* out = log_file ? log_file : stderr;
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(out, "%s %s\n", stamp, text.c_str());
    std::fflush(out);
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

void Init(const char* file, int, int, const char* name, const char*, const char*, const char*) {
    if (log_file) std::fclose(log_file);
    log_file = file ? std::fopen(file, "w") : nullptr;
    if (!log_file) {
        WriteLine(std::string("log file '") + (file ? file : "(none)") +
                  "' cannot be opened; logging to standard error");
        return;
    }
    WriteLine(std::string(name ? name : "log") + " log started");
}

void Msg(int, const char* format, ...) {
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
