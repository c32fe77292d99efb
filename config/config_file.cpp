// SPDX-License-Identifier: MIT
// ConfigFile: the line parser (operator>>) with its pending line and continuation rules, and the
// text-to-value conversions. Text is handled as bytes throughout; numbers are read with
// std::from_chars, so the decimal point is "." whatever the locale.
#include "config/config_file.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <climits>
#include <istream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <utility>

#include "config/bounded_read.h"

const std::string ConfigFile::whitespace = " \n\t\v\r\f";

namespace {

// Largest decimal exponent we keep track of; anything beyond is out of range for a float anyway.
constexpr long long EXPONENT_LIMIT = 1'000'000'000;

// Hands out lines of the input. A read made with no character left fails, yields an empty line,
// and from then on the input counts as exhausted (a read error ends reading the same way).
// Counts the lines read, so that the reader can say where it found what.
struct LineSource {
    std::istream& in;
    bool exhausted = false;
    int number = 0;  // of the last line read

    void Read(std::string& line) {
        if (exhausted || !std::getline(in, line)) {
            line.clear();
            exhausted = true;
            return;
        }
        ++number;
    }
};

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(ConfigFile::whitespace) == std::string::npos;
}

// Keeps only the text before the first comment marker. An empty marker marks no comment: cutting
// at it would throw every line away.
void CutComment(std::string& line, const std::string& comment) {
    if (comment.empty()) return;
    const auto at = line.find(comment);
    if (at != std::string::npos) line.erase(at);
}

bool HasSentry(const std::string& line, const std::string& sentry) {
    return !sentry.empty() && line.find(sentry) != std::string::npos;
}

// Appends the lines that continue `value`: each following line that is neither blank nor a key
// line nor a sentry line. The line that closes the value is left in `pending` for the caller.
void AppendContinuation(LineSource& source, const ConfigFile& config, std::string& value,
                        std::string& pending, int& pending_line) {
    while (!source.exhausted) {
        source.Read(pending);
        pending_line = source.number;
        if (IsBlank(pending)) return;
        CutComment(pending, config.comment);
        if (pending.find(config.delimiter) != std::string::npos) return;
        if (HasSentry(pending, config.sentry)) return;
        // A line that was only a comment adds its leading blanks but no line break.
        if (!IsBlank(pending)) value += '\n';
        value += pending;
        pending.clear();
    }
}

// Notes a key line: where the key stands, and that it repeats one read before.
void NoteKey(ConfigFile& config, const std::string& key, int line) {
    const auto [entry, added] = config.key_lines.try_emplace(key, line);
    if (!added) {
        config.problems.push_back(
            {line, ConfigFile::quoted(key) + " is given again (first on line " +
                       std::to_string(entry->second) + "), the later value is used"});
        entry->second = line;
    }
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Index of the first character that is not whitespace, as formatted stream extraction skips it.
size_t SkipSpace(const std::string& text) {
    return std::min(text.find_first_not_of(ConfigFile::whitespace), text.size());
}

size_t SkipDigits(const std::string& text, size_t i) {
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i;
}

// Whether the number digits[0..count) (the first `whole` digits before the point, the point
// itself included in the text) times 10^exponent is at least 1 in size. Only asked when the
// number is out of a float's range, so it tells too large from too small.
bool AtLeastOne(const char* digits, size_t count, size_t whole, long long exponent) {
    for (size_t i = 0; i < count; ++i) {
        if (digits[i] == '0' || digits[i] == '.') continue;
        const size_t position = i > whole ? i - 1 : i;  // digit index, the point skipped
        return static_cast<long long>(whole) - 1 - static_cast<long long>(position) + exponent >= 0;
    }
    return false;
}

// Reads the digits of an exponent, saturating far beyond any float's range.
long long ExponentValue(const std::string& text, size_t begin, size_t end, bool negative) {
    long long value = 0;
    for (size_t i = begin; i < end; ++i)
        value = std::min(value * 10 + (text[i] - '0'), EXPONENT_LIMIT);
    return negative ? -value : value;
}

}  // namespace

ConfigFile::ConfigFile() : delimiter("="), comment("#") {}

ConfigFile::ConfigFile(const std::string& filename, std::string delimiter_text,
                       std::string comment_text, std::string sentry_text)
    : delimiter(std::move(delimiter_text)),
      comment(std::move(comment_text)),
      sentry(std::move(sentry_text)) {
    std::string text, reason;
    if (!ReadBoundedInput(filename, MAX_BYTES, text, reason))
        throw file_not_found{filename, errno == ENOENT ? "" : reason};
    std::istringstream in(text);
    in >> *this;
}

void ConfigFile::trim(std::string& text) {
    text.erase(0, text.find_first_not_of(whitespace));
    // On an emptied string find_last_not_of gives npos, and npos + 1 erases nothing.
    text.erase(text.find_last_not_of(whitespace) + 1);
}

std::string ConfigFile::quoted(const std::string& text) {
    static const char HEX[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += HEX[byte >> 4];
            out += HEX[byte & 15];
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::istream& operator>>(std::istream& in, ConfigFile& config) {
    LineSource source{in};
    std::string pending;
    int pending_line = 0;
    std::string line;
    while (!source.exhausted || !pending.empty()) {
        int number = pending_line;
        if (!pending.empty()) {
            line.swap(pending);
            pending.clear();
        } else {
            source.Read(line);
            number = source.number;
        }
        CutComment(line, config.comment);
        // Tested on the whole line before the split, so a key line holding the sentry is lost too.
        if (HasSentry(line, config.sentry)) break;
        const auto split = line.find(config.delimiter);
        if (split == std::string::npos) {
            if (!IsBlank(line)) {
                std::string text = line;
                ConfigFile::trim(text);
                config.problems.push_back({number, ConfigFile::quoted(text) + " has no " +
                                                       ConfigFile::quoted(config.delimiter) +
                                                       ", ignored"});
            }
            continue;
        }
        std::string key = line.substr(0, split);
        std::string value = line.substr(split + config.delimiter.size());
        AppendContinuation(source, config, value, pending, pending_line);
        ConfigFile::trim(key);
        ConfigFile::trim(value);
        NoteKey(config, key, number);
        config.contents[std::move(key)] = std::move(value);
    }
    return in;
}

std::ostream& operator<<(std::ostream& out, const ConfigFile& config) {
    for (const auto& [key, value] : config.contents)
        out << key << ' ' << config.delimiter << ' ' << value << '\n';
    return out;
}

template <>
std::string ConfigFile::string_as_T<std::string>(const std::string& text) {
    return text;
}

template <>
bool ConfigFile::string_as_T<bool>(const std::string& text) {
    static const char* const FALSE_WORDS[] = {"FALSE", "F", "NO", "N", "0", "NONE"};
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return std::none_of(std::begin(FALSE_WORDS), std::end(FALSE_WORDS),
                        [&](const char* word) { return upper == word; });
}

// Optional sign and base-ten digits after leading whitespace; the rest of the text is ignored.
// No digits give 0; a number beyond int saturates to INT_MIN or INT_MAX.
template <>
int ConfigFile::string_as_T<int>(const std::string& text) {
    size_t i = SkipSpace(text);
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t end = SkipDigits(text, i);
    if (end == i) return 0;
    // from_chars takes the "-" itself but not a "+".
    const char* first = text.data() + i - (negative ? 1 : 0);
    int value = 0;
    const auto result = std::from_chars(first, text.data() + end, value);
    if (result.ec == std::errc::result_out_of_range) return negative ? INT_MIN : INT_MAX;
    return value;
}

// Optional sign, digits with an optional point and fraction, and an exponent only when it is
// complete ("e", optional sign, at least one digit); the rest is ignored. Rounded to the nearest
// float. No digits give 0; too large a number gives -FLT_MAX or FLT_MAX (finite, so the program's
// arithmetic on it stays defined), too small a one gives zero.
template <>
float ConfigFile::string_as_T<float>(const std::string& text) {
    const size_t size = text.size();
    size_t i = SkipSpace(text);
    const bool negative = i < size && text[i] == '-';
    if (i < size && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t mantissa = i;
    i = SkipDigits(text, i);
    const size_t whole = i - mantissa;
    size_t fraction = 0;
    if (i < size && text[i] == '.') {
        const size_t fraction_end = SkipDigits(text, i + 1);
        fraction = fraction_end - (i + 1);
        i = fraction_end;
    }
    if (whole + fraction == 0) return 0.0f;
    const size_t mantissa_end = i;
    long long exponent = 0;
    if (i < size && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        const bool exponent_negative = j < size && text[j] == '-';
        if (j < size && (text[j] == '+' || text[j] == '-')) ++j;
        const size_t digits_end = SkipDigits(text, j);
        if (digits_end > j) {
            exponent = ExponentValue(text, j, digits_end, exponent_negative);
            i = digits_end;
        }
    }
    float value = 0.0f;
    const char* first = text.data() + mantissa - (negative ? 1 : 0);
    const auto result = std::from_chars(first, text.data() + i, value, std::chars_format::general);
    if (result.ec == std::errc{}) return value;
    if (result.ec != std::errc::result_out_of_range) return 0.0f;
    // Out of range: too large when the leading digit stands at 10^0 or above, else too small.
    if (AtLeastOne(text.data() + mantissa, mantissa_end - mantissa, whole, exponent))
        return negative ? -FLT_MAX : FLT_MAX;
    return negative ? -0.0f : 0.0f;
}
