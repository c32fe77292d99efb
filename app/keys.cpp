// SPDX-License-Identifier: MIT
// The keyboard commands: restart, the save-defaults question, pixel fill, pause, image save,
// quit, and the canvas view's zoom. HandleKey runs once per key-down event; the keys act the same
// with the panel hidden.
#include "app/app.h"
#include "engine/frame.h"
#include "panel/panel.h"
#include "platform/platform.h"

// Each test is made on every key, in this order; a symbol matches at most one of them. Esc is
// decided by the question: it closes an open question and quits only when none is open.
void HandleKey(int sym, bool& quit) {
    if (sym == KEY_SPACE) RestartCommand();
    if (sym == KEY_D) save_defaults = true;
    if (save_defaults) {
        if (sym == KEY_Y) {
            save_defaults = false;
            RequestSettingsSaveCommand();
        }
        if (sym == KEY_N || sym == KEY_ESCAPE) save_defaults = false;
    } else if (sym == KEY_ESCAPE) {
        quit = true;
    }
    if (sym == KEY_F) {
        SetFill(do_fill == 0);
        SetToggle(panel_buttons.fill, do_fill);
    }
    if (sym == KEY_P) {
        SetPaused(paused == 0);
        SetToggle(panel_buttons.pause, paused);
    }
    if (sym == KEY_S) RequestImageSaveCommand();
    if (sym == KEY_BACKSPACE || sym == KEY_LEFTBRACKET) StepBackCommand();
    if (sym == KEY_RIGHTBRACKET) StepForwardCommand();
    // + is = without Shift on most layouts, and either may come from the keypad.
    if (sym == KEY_PLUS || sym == KEY_EQUALS || sym == KEY_KP_PLUS) CRM32Pro_Main::ZoomView(1);
    if (sym == KEY_MINUS || sym == KEY_KP_MINUS) CRM32Pro_Main::ZoomView(-1);
    if (sym == KEY_0 || sym == KEY_KP_0) CRM32Pro_Main::FitToWindow();
}
