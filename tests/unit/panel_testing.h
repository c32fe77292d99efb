// Shared set-up for the panel and key tests. app/app.h cannot be included next to gtest: its
// global `pause` clashes with POSIX pause() from <unistd.h>, which gtest pulls in. So the shell's
// flags and HandleKey are reached through panel_testing.cpp, which sees app/app.h alone.
#pragma once

#include "app/settings.h"
#include "panel/panel.h"
#include "platform/platform.h"

// References to the shell's flags (app/app.h).
struct ShellFlags {
    int& init;
    int& pause;
    int& do_fill;
    int& white_sprouts;
    bool& button_is_held;
    bool& save_defaults;
    CRM32Pro_CFont*& font;
};
ShellFlags& Shell();
void PressKey(int sym, bool& quit);

// Settings, flags and the panel message back to their start values, the buttons created afresh
// (from Data/gfx.dpf in the build folder) with the panel shown or hidden.
void ResetPanelState(bool gui);

// Scripts a button's state: a push button then reads 4 until it is set back to 1.
inline void Hold(int id) {
    CRM32Pro_IButton::SetState(id, CRM32Pro_IButton::STATE_ON);
}
inline void Release(int id) {
    CRM32Pro_IButton::SetState(id, CRM32Pro_IButton::STATE_OFF);
}
