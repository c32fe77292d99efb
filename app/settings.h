// The settings table: the fourteen settings of defaults.cfg, their globals and built-in defaults,
// and the load at start-up. The writer of defaults.cfg (config/settings_writer.h) walks the same
// table.
#pragma once

#include <string>
#include <variant>

// Canvas width and height in pixels, 512..4096, set once at start-up.
extern int xs;
extern int ys;
// Output path of SaveImage ("png file"); "morvane.png" unless the settings file names another.
extern std::string file;
// The control panel is shown ("GUI active").
extern bool display_GUI;
// Height of the panel band above the canvas: 72, or 0 with the panel off.
extern int vertical_padding;

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

// One row of the settings table: the key in defaults.cfg and the global it fills.
struct SettingRow {
    const char* key;
    std::variant<int*, float*, bool*, std::string*> target;
};
// The fourteen rows in file order: width, height, png file, GUI active, then the ten panel
// settings. Width and height point at the globals; LoadSettings clamps them after the read.
extern const SettingRow settings_table[14];

// Reads `path` (defaults.cfg at start-up) into the globals, clamps the canvas size to 512..4096
// and, with the panel off, sets vertical_padding to 0. A missing file gives 512 x 512 and the
// built-in defaults.
void LoadSettings(const char* path = "defaults.cfg");
// Puts every setting back to its built-in default (for tests).
void ResetSettings();
