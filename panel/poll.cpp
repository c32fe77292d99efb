// SPDX-License-Identifier: MIT
// The per-iteration polling of the panel's buttons: exit, save, redo, the hold counter, the ten
// less/more pairs behind their repeat gate, and the toggles copied into their flags.
#include <algorithm>
#include <climits>
#include <cmath>
#include <span>
#include <variant>

#include "engine/frame.h"
#include "engine/settings.h"
#include "panel/panel.h"
#include "platform/platform.h"

namespace {

bool Pressed(int id) {
    return CRM32Pro_IButton::GetState(id) == CRM32Pro_IButton::STATE_ON;
}

// A press in progress. A click whose mouse-up came in the same pump as its press has no release
// left to end the hold, so it does not start one.
void HoldPress(int id) {
    if (!CRM32Pro_IButton::ClickEnded(id)) button_is_held = true;
}

// The counter runs while a press is held and stops one past the repeat limit, so the gate stays
// open from then on; a new press starts it from 0 again.
void CountHold(int repeat_limit) {
    if (!button_is_held) {
        hold_counter = 0;
        return;
    }
    const long long cap = std::min<long long>(static_cast<long long>(repeat_limit) + 1, INT_MAX);
    hold_counter = static_cast<int>(std::min<long long>(hold_counter + 1LL, cap));
}

// One button of a pair. A gated button acts at once on a fresh press, then only after the hold
// has lasted longer than the repeat limit; the gate is worked out afresh for every button, so a
// gated button that acts shuts it for those polled after it while the counter is still low.
void PollPairButton(int pair, int direction, int id, int repeat_limit) {
    if (!PanelSettingRows()[pair].panel.gated) {
        if (Pressed(id)) StepSetting(pair, direction);
        return;
    }
    const bool gate_open = !button_is_held || hold_counter > repeat_limit;
    if (Pressed(id) && gate_open) {
        StepSetting(pair, direction);
        HoldPress(id);
    }
}

}  // namespace

// Ints step in 64 bits, so a file value of INT_MAX or INT_MIN cannot overflow; the result is back
// in the int range after the bound rule, since a step never moves past the bound it is checked
// against. Floats step in double and are stored as float before
// the bound rule, as the panel has always stepped them.
void StepSetting(int pair, int direction) {
    const SettingRow& row = PanelSettingRows()[pair];
    const PanelControl& p = row.panel;
    if (int* const* i = std::get_if<int*>(&row.target)) {
        long long v = **i + static_cast<long long>(p.step) * direction;
        if (direction < 0 && v < p.low) v = static_cast<long long>(p.low);
        if (direction > 0 && v > p.high) v = static_cast<long long>(p.high);
        **i = static_cast<int>(v);
        return;
    }
    float* f = std::get<float*>(row.target);
    *f = static_cast<float>(static_cast<double>(*f) + p.step * direction);
    if (std::isnan(*f)) *f = static_cast<float>(p.low);
    if (direction < 0 && *f < p.low) *f = static_cast<float>(p.low);
    if (direction > 0 && *f > p.high) *f = static_cast<float>(p.high);
}

void PollButtons(int repeat_limit, bool& quit) {
    const PanelButtons& b = panel_buttons;
    if (Pressed(b.exit)) quit = true;
    // The held flag makes one press save once, however long it is held: a save runs in the
    // background, and a click spans several frames.
    if (Pressed(b.save) && !button_is_held && panel_commands.save_image) {
        panel_commands.save_image();
        HoldPress(b.save);
    }
    // The held flag makes one press restart once, however long it is held.
    if (Pressed(b.redo) && !button_is_held) {
        RestartCommand();
        HoldPress(b.redo);
    }
    CountHold(repeat_limit);
    for (int i = 0; i < 10; ++i) {
        PollPairButton(i, -1, b.less[i], repeat_limit);
        PollPairButton(i, +1, b.more[i], repeat_limit);
    }
    // With the panel shown the toggles are the source of these flags; the keys set the toggles.
    SetWhite(Pressed(b.white));
    SetFill(Pressed(b.fill));
    SetPaused(Pressed(b.pause));
}
