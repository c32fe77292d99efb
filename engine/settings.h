// SPDX-License-Identifier: MIT
// The fourteen settings of defaults.cfg: their globals, the one table that binds each to its key,
// built-in default and panel range, and the load that both programs use at start.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "config/settings_table.h"

// Canvas width and height in pixels, 512..4096, set once at start-up by the settings load or
// SetCanvasSize.
extern int xs;
extern int ys;
// Output path of the image save ("png file"); the engine itself never reads it.
extern std::string file;
// The control panel is shown ("GUI active"); the engine itself never reads it.
extern bool display_GUI;

// The ten panel settings. Panel ranges bind only the buttons; file values are used as read.
extern int n_sprouts;                 // "num sprouts", seeding-phase length, 1..1000
extern int strand_length;             // "strand length", most steps of a path, 10..10000
extern int tests_per_frame;           // "runs / frame", attempts per frame, 100..100000
extern float color_decay;             // "color decay", 0..1
extern float start_angle;             // "start angle", degrees, 0..360
extern int start_angle_rand;          // "n start dirs", 1..360
extern int rand_angle_int;            // "rand angle", degrees of a sharp turn, 0..360
extern float rand_angle_probability;  // "probability" of a sharp turn per step, 0..1
extern float rand_angle;              // "curl", turns of random drift per step, 0..1
extern int from_angle;                // "from angle", branch angle in degrees, 0..360

// The table in file order: width, height, png file, GUI active, then the ten panel settings.
extern const SettingRow settings_table[14];
// The rows before this one form the file's first group (canvas, output, panel); the rest are the
// ten panel settings, in the panel's polling and drawing order.
constexpr std::size_t PANEL_ROWS_BEGIN = 4;
// The ten panel settings' rows.
std::span<const SettingRow> PanelSettingRows();

// Reads `path` into the globals: every setting first back to its built-in default, then the keys
// the file has, then the canvas size clamped to 512..4096. A file that cannot be opened gives the
// built-in defaults (a 512 x 512 canvas) and returns false. When `problems` is not null it is set
// to one line for each problem of the file (unknown key, a value that is not plainly of its
// setting's type, a clamped size, a key given twice, a line without "="), each naming its line,
// in line order: "defaults.cfg line 3: unknown key "num sprout", ignored". The globals are the
// same either way.
bool LoadSettings(const char* path = "defaults.cfg", std::vector<std::string>* problems = nullptr);
// The same from text in the settings file's format (a PNG's morvane:settings chunk): the built-in
// defaults, then the keys the text has. False when the text sets no key at all.
bool LoadSettingsText(const std::string& text);
// Puts every setting back to its built-in default.
void ResetSettings();
// The canvas size of a session recorded elsewhere (a journal's start line), which its settings
// text may not say; clamped to 512..4096 as the settings load clamps it.
void SetCanvasSize(int width, int height);
