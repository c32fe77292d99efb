// SPDX-License-Identifier: MIT
// SettingsText lays out defaults.cfg from a settings table: a comment header, then the two groups
// of "key = value" lines with their "=" aligned. SaveSettingsText writes it safely.
#include "config/settings_writer.h"

#include <algorithm>
#include <ostream>
#include <string_view>

#include "config/safe_write.h"

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

// Writes the rows with each key padded so that "=" stands one column after the group's longest
// key, then an empty line, which also closes the value before it.
void AppendGroup(std::string& text, std::span<const SettingRow> rows) {
    size_t longest = 0;
    for (const SettingRow& row : rows)
        longest = std::max(longest, std::string_view(row.key).size());
    for (const SettingRow& row : rows) {
        const std::string_view key = row.key;
        text.append(key);
        text.append(longest + 1 - key.size(), ' ');
        text.append("= ");
        text.append(SettingFileText(row));
        text.push_back('\n');
    }
    text.push_back('\n');
}

}  // namespace

std::string SettingsText(std::span<const SettingRow> rows, std::size_t split) {
    std::string text(HEADER);
    split = std::min(split, rows.size());
    AppendGroup(text, rows.first(split));
    AppendGroup(text, rows.subspan(split));
    return text;
}

SaveResult SaveSettingsText(const std::string& path, const std::string& text) {
    SaveResult result;
    result.saved = WriteFileSafely(
        path, [&](std::ostream& out) { out << text; }, result.reason);
    return result;
}
