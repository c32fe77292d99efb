// SettingsText lays out defaults.cfg from the settings table: a comment header, then the two
// groups of "key = value" lines with their "=" aligned. SaveDefaults writes it safely.
#include "config/settings_writer.h"

#include <algorithm>
#include <charconv>
#include <ostream>
#include <string_view>

#include "app/settings.h"
#include "config/safe_write.h"
#include "platform/platform.h"

namespace {

// Lines 1 to 9: the comment header and an empty line. Every line is a comment, so the example
// "png file" line is no entry when the file is read back.
constexpr std::string_view HEADER =
    "# morvane.exe config file\n"
    "#\n"
    "# You can generate this file from your settings by pressing \"D\" while running the "
    "program.\n"
    "#\n"
    "# To specify a directory for the output PNG file, use forward slashes:\n"
    "#  png file = C:/my_img.png\n"
    "#\n"
    "# You can disable the GUI by setting \"GUI active\" to false. You may gain a small speed "
    "increase by doing so.\n"
    "\n";

// The table's first rows (canvas, output path, GUI) form the first group; the panel settings the
// second. Each group is followed by an empty line, which also closes the value before it.
constexpr size_t FIRST_GROUP_ROWS = 4;

// Enough for any int and for a float in six significant digits.
constexpr size_t NUMBER_BUFFER = 32;

std::string IntText(int value) {
    char buffer[NUMBER_BUFFER];
    const auto result = std::to_chars(buffer, buffer + NUMBER_BUFFER, value);
    return std::string(buffer, result.ptr);
}

// The output stream's default float notation: printf's %g with six significant digits.
std::string FloatText(float value) {
    char buffer[NUMBER_BUFFER];
    const auto result =
        std::to_chars(buffer, buffer + NUMBER_BUFFER, value, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

std::string ValueText(const SettingRow& row) {
    struct Formatter {
        std::string operator()(const int* v) const { return IntText(*v); }
        std::string operator()(const float* v) const { return FloatText(*v); }
        std::string operator()(const bool* v) const { return *v ? "true" : "false"; }
        std::string operator()(const std::string* v) const { return *v; }
    };
    return std::visit(Formatter{}, row.target);
}

// Writes rows [first, last) with each key padded so that "=" stands one column after the
// group's longest key.
void AppendGroup(std::string& text, const SettingRow* first, const SettingRow* last) {
    size_t longest = 0;
    for (const SettingRow* row = first; row != last; ++row)
        longest = std::max(longest, std::string_view(row->key).size());
    for (const SettingRow* row = first; row != last; ++row) {
        const std::string_view key = row->key;
        text.append(key);
        text.append(longest + 1 - key.size(), ' ');
        text.append("= ");
        text.append(ValueText(*row));
        text.push_back('\n');
    }
    text.push_back('\n');
}

}  // namespace

std::string SettingsText() {
    std::string text(HEADER);
    const SettingRow* const split = settings_table + FIRST_GROUP_ROWS;
    AppendGroup(text, settings_table, split);
    AppendGroup(text, split, std::end(settings_table));
    return text;
}

bool SaveDefaults(const char* path) {
    const std::string target = path ? path : "";
    const std::string text = SettingsText();
    std::string reason;
    if (WriteFileSafely(
            target, [&](std::ostream& out) { out << text; }, reason))
        return true;
    CRM32Pro_ILogSystem::Msg(2, "Couldn't save the settings to %s: %s", target.c_str(),
                             reason.c_str());
    return false;
}
