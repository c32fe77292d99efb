// SPDX-License-Identifier: MIT
// The settings table: the fourteen settings with their keys, globals, built-in defaults and panel
// ranges, written once here; the load, the reset, the panel and the settings writer loop over it.
#include "engine/settings.h"

#include <algorithm>
#include <iterator>
#include <sstream>

namespace {

// Canvas size limits; the grids are 4096 x 4096 and the panel needs 512 px of width.
constexpr int MIN_SIZE = 512;
constexpr int MAX_SIZE = 4096;

// How the settings file is written: "key = value", "#" comments, an optional end marker.
constexpr const char* DELIMITER = "=";
constexpr const char* COMMENT = "#";
constexpr const char* SENTRY = "EndConfigFile";

using F = ValueFormat;

}  // namespace

// Each global starts zero and takes its built-in default from the table below at static
// initialisation, so the defaults are written once.
int xs, ys;
std::string file;
bool display_GUI;
int n_sprouts, strand_length, tests_per_frame, start_angle_rand, rand_angle_int, from_angle;
float color_decay, start_angle, rand_angle_probability, rand_angle;

// Pairs of panel rows share a column: rows 4 + 2k (upper) and 5 + 2k (lower) stand in column k.
// "strand length" and "runs / frame" repeat from the first iteration a button is held, so they are
// not gated.
const SettingRow settings_table[14] = {
    {"width", &xs, MIN_SIZE, {}, MIN_SIZE, MAX_SIZE},
    {"height", &ys, MIN_SIZE, {}, MIN_SIZE, MAX_SIZE},
    {"png file", &file, "morvane.png", {}},
    {"GUI active", &display_GUI, true, {}},
    {"num sprouts", &n_sprouts, 3, {"num sprouts", 1, 1, 1000, true, F::Decimal}},
    {"strand length", &strand_length, 700, {"strand length", 10, 10, 10000, false, F::Decimal}},
    {"runs / frame", &tests_per_frame, 5000, {"runs / frame", 100, 100, 100000, false, F::Decimal}},
    {"color decay", &color_decay, 0.0f, {"color decay", 0.001, 0, 1, true, F::Fixed3}},
    {"start angle", &start_angle, 0.0f, {"start angle", 1.0, 0, 360, true, F::Truncated}},
    {"n start dirs", &start_angle_rand, 6, {"n start dirs", 1, 1, 360, true, F::Decimal}},
    {"rand angle", &rand_angle_int, 60, {"rand angle", 1, 0, 360, true, F::Decimal}},
    {"probability",
     &rand_angle_probability,
     0.01f,
     {"^ probability", 0.001, 0, 1, true, F::Fixed3}},
    {"curl", &rand_angle, 0.002f, {"curl", 0.001, 0, 1, true, F::Fixed3}},
    {"from angle", &from_angle, 0, {"from angle", 1, 0, 360, true, F::Decimal}},
};

namespace {
const bool defaults_set = (ResetSettingRows(settings_table), true);
}  // namespace

std::span<const SettingRow> PanelSettingRows() {
    return std::span<const SettingRow>(settings_table).subspan(PANEL_ROWS_BEGIN);
}

bool LoadSettings(const char* path, std::vector<std::string>* problems) {
    ResetSettings();
    if (problems) problems->clear();
    try {
        const ConfigFile config(path, DELIMITER, COMMENT, SENTRY);
        std::vector<ConfigFile::Problem> found;
        ReadSettingRows(config, settings_table, problems ? &found : nullptr);
        for (const ConfigFile::Problem& p : found)
            problems->push_back(std::string(path) + " line " + std::to_string(p.line) + ": " +
                                p.text);
        return true;
    } catch (const ConfigFile::file_not_found& missing) {
        // No settings file is a normal first start: the built-in defaults, without a message.
        // One that cannot be read is named with the reason.
        if (problems && !missing.reason.empty())
            problems->push_back(std::string(path) + ": " + missing.reason);
        return false;
    }
}

bool LoadSettingsText(const std::string& text) {
    ResetSettings();
    ConfigFile config;
    config.sentry = SENTRY;
    std::istringstream in(text);
    in >> config;
    ReadSettingRows(config, settings_table);
    return !config.contents.empty();
}

void ResetSettings() {
    ResetSettingRows(settings_table);
}

void SetCanvasSize(int width, int height) {
    xs = std::clamp(width, MIN_SIZE, MAX_SIZE);
    ys = std::clamp(height, MIN_SIZE, MAX_SIZE);
}
