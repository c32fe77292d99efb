// SPDX-License-Identifier: MIT
// Writes the current settings to defaults.cfg in the layout the reader takes back.
#pragma once

#include <span>
#include <string>

#include "config/save_result.h"
#include "config/settings_table.h"

// The text of the settings file: the comment header, then the rows before `split` and the rows
// from `split` on as two groups of "key = value" lines, each group's "=" aligned.
std::string SettingsText(std::span<const SettingRow> rows, std::size_t split);
// Writes `text` to `path` safely (temporary file, then rename): a read-only file or folder, or a
// failed write, leaves the previous file untouched and gives the reason.
SaveResult SaveSettingsText(const std::string& path, const std::string& text);
