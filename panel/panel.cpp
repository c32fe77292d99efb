// The panel's two tables, the ten setting pairs and the 26 buttons, and the creation of the
// buttons at start-up. Drawing is in panel/draw.cpp, polling in panel/poll.cpp.
#include "panel/panel.h"

#include "app/settings.h"
#include "platform/platform.h"

namespace {

constexpr const char* PACKAGE = "Data/gfx.dpf";

// One button in creation order: its image, where its id is kept, its top-left corner, and
// whether it exists with the panel off (only the pixel fill toggle does: F, space and the
// restart sync set its state in every case).
struct ButtonRow {
    const char* image;
    int* id;
    short x, y;
    bool always;
};

// Pair i's less button stands at (80 * (i / 2), row y), its more button 60 px to the right; the
// upper row's buttons at y = 14, the lower row's at y = 52.
const ButtonRow button_table[] = {
    {"checkwhite", &panel_buttons.fill, 445, 35, true},
    {"redo", &panel_buttons.redo, 467, 0, false},
    {"save", &panel_buttons.save, 467, 27, false},
    {"exit", &panel_buttons.exit, 467, 54, false},
    {"checkwhite", &panel_buttons.white, 445, 8, false},
    {"checkwhite", &panel_buttons.pause, 445, 54, false},
    {"less", &panel_buttons.less[0], 0, 14, false},
    {"more", &panel_buttons.more[0], 60, 14, false},
    {"less", &panel_buttons.less[1], 0, 52, false},
    {"more", &panel_buttons.more[1], 60, 52, false},
    {"less", &panel_buttons.less[2], 80, 14, false},
    {"more", &panel_buttons.more[2], 140, 14, false},
    {"less", &panel_buttons.less[3], 80, 52, false},
    {"more", &panel_buttons.more[3], 140, 52, false},
    {"less", &panel_buttons.less[4], 160, 14, false},
    {"more", &panel_buttons.more[4], 220, 14, false},
    {"less", &panel_buttons.less[5], 160, 52, false},
    {"more", &panel_buttons.more[5], 220, 52, false},
    {"less", &panel_buttons.less[6], 240, 14, false},
    {"more", &panel_buttons.more[6], 300, 14, false},
    {"less", &panel_buttons.less[7], 240, 52, false},
    {"more", &panel_buttons.more[7], 300, 52, false},
    {"less", &panel_buttons.less[8], 320, 14, false},
    {"more", &panel_buttons.more[8], 380, 14, false},
    {"less", &panel_buttons.less[9], 320, 52, false},
    {"more", &panel_buttons.more[9], 380, 52, false},
};

}  // namespace

// Text buffer for the value being drawn; WriteValueText keeps every text within it.
char chr[18];
// Ids of the created buttons; -1 for those not created.
PanelButtons panel_buttons;

// Polling order = drawing order: column k holds pairs 2k (upper) and 2k + 1 (lower). "strand
// length" and "runs / frame" repeat from the first iteration a button is held, so they are not
// gated.
const SettingPair setting_pairs[10] = {
    {"num sprouts", &n_sprouts, 1, 1, 1000, true, ValueFormat::Decimal},
    {"strand length", &strand_length, 10, 10, 10000, false, ValueFormat::Decimal},
    {"runs / frame", &tests_per_frame, 100, 100, 100000, false, ValueFormat::Decimal},
    {"color decay", &color_decay, 0.001, 0, 1, true, ValueFormat::Fixed3},
    {"start angle", &start_angle, 1.0, 0, 360, true, ValueFormat::Truncated},
    {"n start dirs", &start_angle_rand, 1, 1, 360, true, ValueFormat::Decimal},
    {"rand angle", &rand_angle_int, 1, 0, 360, true, ValueFormat::Decimal},
    {"^ probability", &rand_angle_probability, 0.001, 0, 1, true, ValueFormat::Fixed3},
    {"curl", &rand_angle, 0.001, 0, 1, true, ValueFormat::Fixed3},
    {"from angle", &from_angle, 1, 0, 360, true, ValueFormat::Decimal},
};

void CreateButtons() {
    panel_buttons = PanelButtons{};
    for (const ButtonRow& row : button_table) {
        if (!row.always && !display_GUI) continue;
        *row.id = CRM32Pro_IButton::Load(PACKAGE, row.image, 0);
        CRM32Pro_IButton::SetPosition(*row.id, row.x, row.y);
    }
}
