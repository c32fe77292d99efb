// SPDX-License-Identifier: MIT
// The shape of a settings table: one row per setting of defaults.cfg with its key, the variable it
// fills, its built-in default and, for the panel's settings, how the panel shows and steps it.
// The table itself lives with the settings' owner (engine/settings.cpp); the reader, the reset
// and the writer here loop over whatever table they are handed.
#pragma once

#include <span>
#include <string>
#include <variant>
#include <vector>

#include "config/config_file.h"

// How the panel writes a value into its text buffer.
enum class ValueFormat {
    Decimal,    // an int in base 10
    Truncated,  // a float truncated toward zero, then base 10
    Fixed3,     // a float in fixed notation with three decimals, rounded
};

// The panel's side of a setting; a row without a label has no buttons.
struct PanelControl {
    const char* label = nullptr;
    double step = 0;  // subtracted by less, added by more
    double low = 0,
           high = 0;     // less raises a result below `low` to it; more lowers one above `high`
    bool gated = false;  // waits for the repeat gate and sets button_is_held
    ValueFormat format = ValueFormat::Decimal;
};

using SettingTarget = std::variant<int*, float*, bool*, std::string*>;
using SettingValue = std::variant<int, float, bool, const char*>;

struct SettingRow {
    const char* key;             // the key in defaults.cfg, matched byte for byte
    SettingTarget target;        // the global it fills
    SettingValue default_value;  // what the global holds before the file is read
    PanelControl panel;
    // Bounds applied after the file is read (the canvas size); low > high means none.
    int load_low = 1, load_high = 0;
};

// Puts every row's global back to its built-in default.
void ResetSettingRows(std::span<const SettingRow> rows);
// Reads every row's key present in `config` into its global, in row order, then applies the
// load bounds. A key that is absent leaves its global as it was. When `problems` is not null it is
// set to, in line order, the reader's own problems and one for each key that is no row's, each
// value that is not plainly of its row's type (with what was read instead) and each value the
// bounds changed; the globals are set the same either way.
void ReadSettingRows(const ConfigFile& config, std::span<const SettingRow> rows,
                     std::vector<ConfigFile::Problem>* problems = nullptr);
// The value of a row's global as the settings file writes it: ints in decimal, floats as printf's
// %g (six significant digits), bools as true/false, strings unchanged.
std::string SettingFileText(const SettingRow& row);
// Whether a row is one of the panel's settings.
inline bool HasPanel(const SettingRow& row) {
    return row.panel.label != nullptr;
}
