// Placeholder: settings table and load.
#include "app/settings.h"

int xs = 512;
int ys = 512;
std::string file = "morvane.png";
bool display_GUI = true;
int vertical_padding = 72;
int n_sprouts = 3;
int strand_length = 700;
int tests_per_frame = 5000;
float color_decay = 0.0f;
float start_angle = 0.0f;
int start_angle_rand = 6;
int rand_angle_int = 60;
float rand_angle_probability = 0.01f;
float rand_angle = 0.002f;
int from_angle = 0;

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

void LoadSettings(const char*) {}
void ResetSettings() {}
