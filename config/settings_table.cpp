// SPDX-License-Identifier: MIT
// The loops over a settings table: reset to the built-in defaults, read from a ConfigFile with the
// load bounds, and each value's text in the settings file.
#include "config/settings_table.h"

#include <algorithm>
#include <charconv>

namespace {

// Enough for any int and for a float in six significant digits.
constexpr size_t NUMBER_BUFFER = 32;

struct AssignDefault {
    const SettingValue& value;
    void operator()(int* v) const { *v = std::get<int>(value); }
    void operator()(float* v) const { *v = std::get<float>(value); }
    void operator()(bool* v) const { *v = std::get<bool>(value); }
    void operator()(std::string* v) const { *v = std::get<const char*>(value); }
};

struct FileText {
    std::string operator()(const int* v) const {
        char buffer[NUMBER_BUFFER];
        return std::string(buffer, std::to_chars(buffer, buffer + NUMBER_BUFFER, *v).ptr);
    }
    // The output stream's default float notation: printf's %g with six significant digits.
    std::string operator()(const float* v) const {
        char buffer[NUMBER_BUFFER];
        const auto result =
            std::to_chars(buffer, buffer + NUMBER_BUFFER, *v, std::chars_format::general, 6);
        return std::string(buffer, result.ptr);
    }
    std::string operator()(const bool* v) const { return *v ? "true" : "false"; }
    std::string operator()(const std::string* v) const { return *v; }
};

// The int global of a row that has load bounds, or null.
int* BoundedInt(const SettingRow& row) {
    int* const* v = std::get_if<int*>(&row.target);
    return v && row.load_low <= row.load_high ? *v : nullptr;
}

// Whether the whole text is one number that string_as_T reads as it stands: no other characters,
// not out of range.
template <class T>
bool IsPlainNumber(const std::string& text) {
    const char* first = text.data() + (text.starts_with('+') ? 1 : 0);
    const char* last = text.data() + text.size();
    if (first == last || *first == '+') return false;
    T value{};
    const auto result = std::from_chars(first, last, value);
    return result.ec == std::errc{} && result.ptr == last &&
           value == ConfigFile::string_as_T<T>(text);
}

// The words that mean true or false as they are read.
bool IsPlainBool(const std::string& text) {
    static const char* const WORDS[] = {"TRUE",  "T", "YES", "Y", "1", "ON",
                                        "FALSE", "F", "NO",  "N", "0", "NONE"};
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return std::any_of(std::begin(WORDS), std::end(WORDS),
                       [&](const char* word) { return upper == word; });
}

// What a row's value should look like, when the text is not that; null when it is.
struct Unclear {
    const std::string& text;
    const char* operator()(const int*) const {
        return IsPlainNumber<int>(text) ? nullptr : "is not a whole number in range";
    }
    const char* operator()(const float*) const {
        return IsPlainNumber<float>(text) ? nullptr : "is not a number in range";
    }
    const char* operator()(const bool*) const {
        return IsPlainBool(text) ? nullptr : "is neither true nor false";
    }
    const char* operator()(const std::string*) const { return nullptr; }
};

bool IsRowKey(std::span<const SettingRow> rows, const std::string& key) {
    return std::any_of(rows.begin(), rows.end(),
                       [&](const SettingRow& row) { return key == row.key; });
}

// A problem for each key in `config` that is no row's.
void CheckKeys(const ConfigFile& config, std::span<const SettingRow> rows,
               std::vector<ConfigFile::Problem>& problems) {
    for (const auto& [key, line] : config.key_lines)
        if (!IsRowKey(rows, key))
            problems.push_back({line, "unknown key " + ConfigFile::quoted(key) + ", ignored"});
}

int LineOf(const ConfigFile& config, const char* key) {
    const auto entry = config.key_lines.find(key);
    return entry == config.key_lines.end() ? 0 : entry->second;
}

}  // namespace

void ResetSettingRows(std::span<const SettingRow> rows) {
    for (const SettingRow& row : rows) std::visit(AssignDefault{row.default_value}, row.target);
}

void ReadSettingRows(const ConfigFile& config, std::span<const SettingRow> rows,
                     std::vector<ConfigFile::Problem>* problems) {
    // What each row's value said wrong, and what it read, before the bounds.
    std::vector<std::string> notes(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const SettingRow& row = rows[i];
        if (!std::visit([&](auto* target) { return config.readInto(*target, row.key); },
                        row.target))
            continue;
        const std::string& text = config.contents.at(row.key);
        if (const char* what = std::visit(Unclear{text}, row.target))
            notes[i] = std::string(row.key) + " " + ConfigFile::quoted(text) + " " + what +
                       ", read as " + SettingFileText(row);
    }
    std::vector<std::string> read;
    for (const SettingRow& row : rows) read.push_back(SettingFileText(row));
    // Upper bounds before lower ones, in row order.
    for (const SettingRow& row : rows)
        if (int* v = BoundedInt(row); v && *v > row.load_high) *v = row.load_high;
    for (const SettingRow& row : rows)
        if (int* v = BoundedInt(row); v && *v < row.load_low) *v = row.load_low;
    if (!problems) return;
    *problems = config.problems;
    CheckKeys(config, rows, *problems);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const SettingRow& row = rows[i];
        const std::string now = SettingFileText(row);
        const std::string range =
            std::to_string(row.load_low) + ".." + std::to_string(row.load_high);
        if (now != read[i] && notes[i].empty()) {
            notes[i] = row.key;
            notes[i].append(" ").append(read[i]).append(" is out of ").append(range);
            notes[i].append(", clamped to ").append(now);
        } else if (now != read[i]) {
            notes[i].append(", clamped to ").append(now).append(" (").append(range).append(")");
        }
        if (!notes[i].empty()) problems->push_back({LineOf(config, row.key), notes[i]});
    }
    std::stable_sort(problems->begin(), problems->end(),
                     [](const auto& a, const auto& b) { return a.line < b.line; });
}

std::string SettingFileText(const SettingRow& row) {
    return std::visit(FileText{}, row.target);
}
