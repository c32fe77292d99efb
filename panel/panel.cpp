// SPDX-License-Identifier: MIT
// The panel's state, its table of 26 buttons, its start and stop, and the restart command. The
// settings it shows come from the settings table (engine/settings.h); drawing is in panel/draw.cpp,
// polling in panel/poll.cpp.
#include "panel/panel.h"

#include "engine/frame.h"
#include "engine/settings.h"
#include "platform/platform.h"

namespace {

// One button in creation order: its image, where its id is kept, its top-left corner, and
// whether it exists with the panel off (only the pixel fill toggle does: F and space set its
// state in every case).
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

// Height of the panel band when it is shown.
constexpr int PANEL_HEIGHT = 72;

}  // namespace

int vertical_padding = 72;
bool button_is_held = false;
int hold_counter = 0;
bool save_defaults = false;
CRM32Pro_CFont* fFont = nullptr;
// WriteValueText keeps every text within it.
char chr[18];
PanelButtons panel_buttons;
PanelCommands panel_commands;

void CreateButtons(const char* package) {
    panel_buttons = PanelButtons{};
    for (const ButtonRow& row : button_table) {
        if (!row.always && !display_GUI) continue;
        *row.id = CRM32Pro_IButton::Load(package, row.image);
        CRM32Pro_IButton::SetPosition(*row.id, row.x, row.y);
    }
}

// A toggle that was not created (the pause toggle with the panel off) has id -1: nothing reads
// it then.
void SetToggle(int id, int flag) {
    if (id < 0) return;
    CRM32Pro_IButton::SetState(
        id, flag == 0 ? CRM32Pro_IButton::STATE_OFF : CRM32Pro_IButton::STATE_ON);
}

// The toggle goes off with the request, so that it agrees with do_fill once the restart clear
// has switched pixel fill off.
void RestartCommand() {
    RequestRestart();
    SetToggle(panel_buttons.fill, 0);
}

void StartPanel(const char* package, const PanelCommands& commands) {
    vertical_padding = display_GUI ? PANEL_HEIGHT : 0;
    fFont = new CRM32Pro_CFont();
    fFont->Load(package, "font");
    CreateButtons(package);
    panel_commands = commands;
    button_is_held = false;
    hold_counter = 0;
    RedrawPanel();
}

void StopPanel() {
    delete fFont;
    fFont = nullptr;
    CRM32Pro_IButton::RemoveAll();
    panel_buttons = PanelButtons{};
    panel_commands = PanelCommands{};
}

void ReleaseHeldButton() {
    button_is_held = false;
}
