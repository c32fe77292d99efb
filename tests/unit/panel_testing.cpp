// The shell's flags for the panel and key tests, from a file that includes app/app.h without
// gtest (see panel_testing.h).
#include "panel_testing.h"

#include "app/app.h"

ShellFlags& Shell() {
    static ShellFlags flags{init,           paused,        do_fill, white_sprouts,
                            button_is_held, save_defaults, fFont};
    return flags;
}

void PressKey(int sym, bool& quit) {
    HandleKey(sym, quit);
}

void ResetPanelState(bool gui) {
    ResetSettings();
    display_GUI = gui;
    vertical_padding = gui ? 72 : 0;
    init = 1;
    paused = do_fill = white_sprouts = 0;
    button_is_held = save_defaults = false;
    // A failed save in an earlier test leaves its message showing for three seconds.
    ShowPanelMessageFor("", 0);
    CRM32Pro_IButton::RemoveAll();
    CreateButtons();
}
