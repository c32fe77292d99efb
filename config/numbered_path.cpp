// SPDX-License-Identifier: MIT
// Numbered save paths: finding the number field, writing a number into it, and the search for
// the next number whose file is free.
#include "config/numbered_path.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int MAX_WIDTH = 9;
constexpr long UNPADDED_LAST = 999999999;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// 1 when anything, even a dangling link, stands at `path` (a save never replaces it), 0 when
// nothing does, -1 when that cannot be told (errno says why).
int Taken(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) return 1;
    return errno == ENOENT ? 0 : -1;
}

}  // namespace

long NumberField::Last() const {
    if (!zero_pad || width == 0) return UNPADDED_LAST;
    long last = 1;
    for (int i = 0; i < width; ++i) last *= 10;
    return last - 1;
}

std::optional<NumberField> FindNumberField(const std::string& path) {
    for (std::size_t at = path.find('%'); at != std::string::npos; at = path.find('%', at + 1)) {
        std::size_t i = at + 1;
        NumberField field;
        field.begin = at;
        field.zero_pad = i < path.size() && path[i] == '0';
        if (field.zero_pad) ++i;
        const std::size_t digits = i;
        while (i < path.size() && IsDigit(path[i]) && i - digits < MAX_WIDTH)
            field.width = field.width * 10 + (path[i++] - '0');
        if (i >= path.size() || path[i] != 'd') continue;
        // "%0d" has no width to pad to; it is a plain "%d".
        if (field.width == 0) field.zero_pad = false;
        field.end = i + 1;
        return field;
    }
    return std::nullopt;
}

std::string NumberedName(const std::string& path, const NumberField& field, long number) {
    char digits[32];
    std::snprintf(digits, sizeof digits, field.zero_pad ? "%0*ld" : "%*ld", field.width, number);
    return path.substr(0, field.begin) + digits + path.substr(field.end);
}

std::string NextFreePath(const std::string& path, long* next, std::string& error) {
    const auto field = FindNumberField(path);
    if (!field) return path;
    const long last = field->Last();
    for (long n = *next < 1 ? 1 : *next; n <= last; ++n) {
        std::string name = NumberedName(path, *field, n);
        const int taken = Taken(name);
        if (taken == 1) continue;
        if (taken < 0) {
            error = "cannot look at " + name + ": " + std::strerror(errno);
            return "";
        }
        *next = n + 1;
        return name;
    }
    error = "every number of " + path + " up to " + std::to_string(last) +
            " is taken; nothing was overwritten";
    return "";
}
