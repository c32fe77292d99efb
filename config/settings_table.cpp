// The loops over a settings table: reset to the built-in defaults, read from a ConfigFile with the
// load bounds, and each value's text in the settings file.
#include "config/settings_table.h"

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

}  // namespace

void ResetSettingRows(std::span<const SettingRow> rows) {
    for (const SettingRow& row : rows) std::visit(AssignDefault{row.default_value}, row.target);
}

void ReadSettingRows(const ConfigFile& config, std::span<const SettingRow> rows) {
    for (const SettingRow& row : rows)
        std::visit([&](auto* target) { config.readInto(*target, row.key); }, row.target);
    // Upper bounds before lower ones, in row order.
    for (const SettingRow& row : rows)
        if (int* v = BoundedInt(row); v && *v > row.load_high) *v = row.load_high;
    for (const SettingRow& row : rows)
        if (int* v = BoundedInt(row); v && *v < row.load_low) *v = row.load_low;
}

std::string SettingFileText(const SettingRow& row) {
    return std::visit(FileText{}, row.target);
}
