// The settings table: the fourteen settings with their globals and built-in defaults, and
// LoadSettings, which reads defaults.cfg into them at start-up. Start with LoadSettings at the end.
#include "app/settings.h"

#include "config/config_file.h"

namespace {

// Built-in defaults: what the globals hold before the settings file is read.
constexpr int DEFAULT_SIZE = 512;
constexpr const char* DEFAULT_FILE = "morvane.png";
constexpr bool DEFAULT_DISPLAY_GUI = true;
constexpr int DEFAULT_N_SPROUTS = 3;
constexpr int DEFAULT_STRAND_LENGTH = 700;
constexpr int DEFAULT_TESTS_PER_FRAME = 5000;
constexpr float DEFAULT_COLOR_DECAY = 0.0f;
constexpr float DEFAULT_START_ANGLE = 0.0f;
constexpr int DEFAULT_START_ANGLE_RAND = 6;
constexpr int DEFAULT_RAND_ANGLE_INT = 60;
constexpr float DEFAULT_RAND_ANGLE_PROBABILITY = 0.01f;
constexpr float DEFAULT_RAND_ANGLE = 0.002f;
constexpr int DEFAULT_FROM_ANGLE = 0;

// Canvas size limits; the grids are 4096 x 4096 and the panel needs 512 px of width.
constexpr int MIN_SIZE = 512;
constexpr int MAX_SIZE = 4096;
// Height of the panel band when it is shown.
constexpr int PANEL_HEIGHT = 72;

// Rows 1 and 2 (width, height) are read into locals, row 3 is "png file"; the size is copied
// into xs and ys once that row is read.
constexpr int SIZE_ROWS = 2;
constexpr int SIZE_APPLIED_AFTER_ROW = 2;

// How the settings file is written: "key = value", "#" comments, an optional end marker.
constexpr const char* DELIMITER = "=";
constexpr const char* COMMENT = "#";
constexpr const char* SENTRY = "EndConfigFile";

}  // namespace

int xs = DEFAULT_SIZE;
int ys = DEFAULT_SIZE;
std::string file = DEFAULT_FILE;
bool display_GUI = DEFAULT_DISPLAY_GUI;
int vertical_padding = PANEL_HEIGHT;
int n_sprouts = DEFAULT_N_SPROUTS;
int strand_length = DEFAULT_STRAND_LENGTH;
int tests_per_frame = DEFAULT_TESTS_PER_FRAME;
float color_decay = DEFAULT_COLOR_DECAY;
float start_angle = DEFAULT_START_ANGLE;
int start_angle_rand = DEFAULT_START_ANGLE_RAND;
int rand_angle_int = DEFAULT_RAND_ANGLE_INT;
float rand_angle_probability = DEFAULT_RAND_ANGLE_PROBABILITY;
float rand_angle = DEFAULT_RAND_ANGLE;
int from_angle = DEFAULT_FROM_ANGLE;

const SettingRow settings_table[14] = {
    {"width", &xs},
    {"height", &ys},
    {"png file", &file},
    {"GUI active", &display_GUI},
    {"num sprouts", &n_sprouts},
    {"strand length", &strand_length},
    {"runs / frame", &tests_per_frame},
    {"color decay", &color_decay},
    {"start angle", &start_angle},
    {"n start dirs", &start_angle_rand},
    {"rand angle", &rand_angle_int},
    {"probability", &rand_angle_probability},
    {"curl", &rand_angle},
    {"from angle", &from_angle},
};

namespace {

// Copies the size read from the file into the globals and clamps it to what the canvas holds,
// upper bounds first, width before height.
void ApplyCanvasSize(int width, int height) {
    xs = width;
    ys = height;
    if (xs > MAX_SIZE) xs = MAX_SIZE;
    if (ys > MAX_SIZE) ys = MAX_SIZE;
    if (xs < MIN_SIZE) xs = MIN_SIZE;
    if (ys < MIN_SIZE) ys = MIN_SIZE;
}

void ReadSettings(const ConfigFile& config) {
    // A file without "width" or "height" gives the same 512 as a missing file.
    int size[SIZE_ROWS] = {DEFAULT_SIZE, DEFAULT_SIZE};
    int row_number = 0;
    for (const SettingRow& row : settings_table) {
        ++row_number;
        if (row_number <= SIZE_ROWS) {
            config.readInto(size[row_number - 1], row.key);
        } else {
            std::visit([&](auto* target) { config.readInto(*target, row.key); }, row.target);
        }
        if (row_number == SIZE_APPLIED_AFTER_ROW + 1) ApplyCanvasSize(size[0], size[1]);
    }
}

}  // namespace

void LoadSettings(const char* path) {
    try {
        const ConfigFile config(path, DELIMITER, COMMENT, SENTRY);
        ReadSettings(config);
    } catch (const ConfigFile::file_not_found&) {
        // No settings file is a normal first start: the built-in defaults, without a message.
        xs = DEFAULT_SIZE;
        ys = DEFAULT_SIZE;
    }
    vertical_padding = display_GUI ? PANEL_HEIGHT : 0;
}

void ResetSettings() {
    xs = DEFAULT_SIZE;
    ys = DEFAULT_SIZE;
    file = DEFAULT_FILE;
    display_GUI = DEFAULT_DISPLAY_GUI;
    vertical_padding = PANEL_HEIGHT;
    n_sprouts = DEFAULT_N_SPROUTS;
    strand_length = DEFAULT_STRAND_LENGTH;
    tests_per_frame = DEFAULT_TESTS_PER_FRAME;
    color_decay = DEFAULT_COLOR_DECAY;
    start_angle = DEFAULT_START_ANGLE;
    start_angle_rand = DEFAULT_START_ANGLE_RAND;
    rand_angle_int = DEFAULT_RAND_ANGLE_INT;
    rand_angle_probability = DEFAULT_RAND_ANGLE_PROBABILITY;
    rand_angle = DEFAULT_RAND_ANGLE;
    from_angle = DEFAULT_FROM_ANGLE;
}
