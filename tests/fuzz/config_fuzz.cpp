// SPDX-License-Identifier: MIT
// Fuzz target for the settings reader: any bytes are parsed by ConfigFile's operator>> and by a
// small reference model written here from the file format's rules (lines, comments, the sentry,
// continuation lines, trimming), and every stored value is converted to int, float and bool by
// both. Any difference, or any crash, is a finding.
#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_file.h"

namespace {

struct Syntax {
    const char* delimiter;
    const char* comment;
    const char* sentry;
};
// The program's own syntax first; the others try longer markers and no sentry.
const Syntax SYNTAXES[] = {
    {"=", "#", "EndConfigFile"}, {":=", "//", ""}, {"=", "#", ""}, {"==", ";", "END"}};

const char* const SPACE = " \n\t\v\r\f";

bool IsSpace(char c) {
    return c != '\0' && std::strchr(SPACE, c) != nullptr;
}

std::string Trimmed(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsSpace(text[begin])) ++begin;
    while (end > begin && IsSpace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool Blank(const std::string& text) {
    return Trimmed(text).empty();
}

bool Contains(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

std::string BeforeComment(const std::string& line, const std::string& comment) {
    return line.substr(0, line.find(comment));
}

// The input as the reader sees it: lines split at line feeds; reading past the last one fails
// once, yields "", and marks the input exhausted.
struct Lines {
    std::vector<std::string> all;
    std::size_t next = 0;
    bool exhausted = false;

    explicit Lines(const std::string& text) {
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = text.find('\n', start);
            if (end == std::string::npos) {
                all.push_back(text.substr(start));
                break;
            }
            all.push_back(text.substr(start, end - start));
            start = end + 1;
        }
    }
    std::string Read() {
        if (next < all.size()) return all[next++];
        exhausted = true;
        return "";
    }
};

std::map<std::string, std::string> Reference(const std::string& text, const Syntax& syntax) {
    std::map<std::string, std::string> contents;
    Lines input(text);
    std::string pending;
    while (!input.exhausted || !pending.empty()) {
        std::string line = pending.empty() ? input.Read() : pending;
        pending.clear();
        line = BeforeComment(line, syntax.comment);
        if (*syntax.sentry && Contains(line, syntax.sentry)) break;
        const std::size_t at = line.find(syntax.delimiter);
        if (at == std::string::npos) continue;
        const std::string key = line.substr(0, at);
        std::string value = line.substr(at + std::strlen(syntax.delimiter));
        while (!input.exhausted) {
            pending = input.Read();
            if (Blank(pending)) break;
            pending = BeforeComment(pending, syntax.comment);
            if (Contains(pending, syntax.delimiter)) break;
            if (*syntax.sentry && Contains(pending, syntax.sentry)) break;
            if (!Blank(pending)) value += "\n";
            value += pending;
            pending.clear();
        }
        contents[Trimmed(key)] = Trimmed(value);
    }
    return contents;
}

// ---- Conversions ------------------------------------------------------------------------------

bool Digit(char c) {
    return c >= '0' && c <= '9';
}

int ReferenceInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || !Digit(text[i])) return 0;
    long long magnitude = 0;
    for (; i < text.size() && Digit(text[i]); ++i)
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), 1LL << 40);
    const long long value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

// The longest prefix (after blanks) that reads as a decimal number; "" when there is none.
std::string NumberPrefix(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size() && IsSpace(text[start])) ++start;
    std::size_t i = start;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    for (; i < text.size() && Digit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && Digit(text[i]); ++i) ++digits;
    if (digits == 0) return "";
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && Digit(text[j])) {
            while (j < text.size() && Digit(text[j])) ++j;
            i = j;
        }
    }
    return text.substr(start, i - start);
}

// Whether `got` is what the text should convert to: the nearest float, the largest finite one
// for a number too large, zero (or the nearest subnormal) for one too small.
bool FloatMatches(const std::string& text, float got) {
    const std::string prefix = NumberPrefix(text);
    if (prefix.empty()) return got == 0.0f;
    errno = 0;
    const float expected = std::strtof(prefix.c_str(), nullptr);
    if (errno == ERANGE && std::isinf(expected)) return got == std::copysign(FLT_MAX, expected);
    if (errno == ERANGE) return got == 0.0f || got == expected;
    return got == expected && std::signbit(got) == std::signbit(expected);
}

bool ReferenceBool(const std::string& text) {
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (const char* word : {"FALSE", "F", "NO", "N", "0", "NONE"})
        if (upper == word) return false;
    return true;
}

[[noreturn]] void Finding(const char* what, const std::string& key, const std::string& value) {
    std::fprintf(stderr, "%s differs for key '%s' value '%s'\n", what, key.c_str(), value.c_str());
    std::abort();
}

void CheckConversions(const std::string& key, const std::string& value) {
    if (ConfigFile::string_as_T<std::string>(value) != value) Finding("string", key, value);
    if (ConfigFile::string_as_T<int>(value) != ReferenceInt(value)) Finding("int", key, value);
    if (!FloatMatches(value, ConfigFile::string_as_T<float>(value))) Finding("float", key, value);
    if (ConfigFile::string_as_T<bool>(value) != ReferenceBool(value)) Finding("bool", key, value);
}

}  // namespace

// The first byte picks the syntax (the seeds use '0' and '1'); the rest is the file's text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const Syntax& syntax = SYNTAXES[data[0] % (sizeof SYNTAXES / sizeof SYNTAXES[0])];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    ConfigFile config;
    config.delimiter = syntax.delimiter;
    config.comment = syntax.comment;
    config.sentry = syntax.sentry;
    std::istringstream in(text);
    in >> config;
    const auto expected = Reference(text, syntax);
    if (config.contents != expected) {
        for (const auto& [key, value] : expected)
            if (!config.contents.count(key) || config.contents.at(key) != value)
                Finding("parsed entry", key, value);
        Finding("parsed entry count", "", std::to_string(config.contents.size()));
    }
    for (const auto& [key, value] : config.contents) CheckConversions(key, value);
    // Conversions of the raw text too: the stored values are all trimmed, the text need not be.
    CheckConversions("(whole text)", text);
    return 0;
}
