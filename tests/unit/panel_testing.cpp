// SPDX-License-Identifier: MIT
// The panel and key tests' reset of settings, flags, message and buttons.
#include "panel_testing.h"

#include "app/app.h"
#include "engine/frame.h"
#include "panel/panel.h"

void ResetPanelState(bool gui) {
    ResetSettings();
    display_GUI = gui;
    vertical_padding = gui ? 72 : 0;
    EndRestart();
    SetPaused(false);
    SetFill(false);
    SetWhite(false);
    button_is_held = save_defaults = false;
    hold_counter = 0;
    // A failed save in an earlier test leaves its message showing for three seconds.
    ShowPanelMessageFor("", 0);
    CRM32Pro_IButton::RemoveAll();
    CreateButtons();
    panel_commands.save_image = SaveImageCommand;
    RedrawPanel();
}
