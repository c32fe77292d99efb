// The keyboard commands: restart, the save-defaults question, pixel fill, pause, image save and
// quit. HandleKey runs once per key-down event; the keys act the same with the panel hidden.
#include "app/app.h"
#include "engine/frame.h"
#include "panel/panel.h"
#include "platform/platform.h"

namespace {

// Flips a 0/1 flag: add one, and past 1 back to 0.
void Switch(int& flag) {
    flag = flag >= 1 ? 0 : flag + 1;
}

}  // namespace

// Each test is made on every key, in this order; a symbol matches at most one of them. Esc is
// decided by the question: it closes an open question and quits only when none is open.
void HandleKey(int sym, bool& quit) {
    if (sym == KEY_SPACE) RequestRestart();
    if (sym == KEY_D) save_defaults = true;
    if (save_defaults) {
        if (sym == KEY_Y) {
            save_defaults = false;
            SaveDefaultsCommand();
        }
        if (sym == KEY_N || sym == KEY_ESCAPE) save_defaults = false;
    } else if (sym == KEY_ESCAPE) {
        quit = true;
    }
    if (sym == KEY_F) {
        Switch(do_fill);
        SetToggle(panel_buttons.fill, do_fill);
    }
    if (sym == KEY_P) {
        Switch(paused);
        SetToggle(panel_buttons.pause, paused);
    }
    if (sym == KEY_S) SaveImageCommand();
}
