// The control panel: the band above the canvas with the ten settings, the toggles and the push
// buttons; its drawing each frame and the polling of its buttons each main-loop iteration.
#pragma once

#include <variant>

// Text buffer for the value being drawn.
extern char chr[18];

// Ids of the buttons created at start-up; -1 for a button not created.
struct PanelButtons {
    int fill = -1;  // pixel fill toggle, created always
    int redo = -1, save = -1, exit = -1;
    int white = -1, pause = -1;
    int less[10] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    int more[10] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
};
extern PanelButtons panel_buttons;

// How a setting's value is written into chr.
enum class ValueFormat {
    Decimal,    // an int in base 10
    Truncated,  // a float truncated toward zero, then base 10
    Fixed3,     // a float in fixed notation with three decimals, rounded
};

// One setting with its less and more buttons. Pair i sits in column i / 2, upper row for even i.
struct SettingPair {
    const char* label;
    std::variant<int*, float*> value;
    double step;       // subtracted by less, added by more
    double low, high;  // less raises a result below `low` to it; more lowers one above `high`
    bool gated;        // waits for the repeat gate and sets button_is_held
    ValueFormat format;
};
// The ten pairs in polling order (which is also the drawing order).
extern const SettingPair setting_pairs[10];

// Writes the text of pair `pair`'s value into chr, always within its 18 bytes: a value whose
// text would not fit is shown in the short form "1.000e+38" (or "nan", "inf").
void WriteValueText(int pair);
// Applies one press of a pair's less (direction -1) or more (+1) button: the step, then the
// bound rule. A NaN read from the settings file becomes the low bound.
void StepSetting(int pair, int direction);

// Creates the buttons: the pixel fill toggle always, the other 25 only with the panel shown.
void CreateButtons();
// Draws the band: black box, then the settings face or the question face (or nothing more with
// the panel off).
void DrawPanel();
// Polls the buttons once (exit, save, redo, hold counter, the ten pairs, the toggles).
// `repeat_limit` is half the real frame rate; `hold_counter` lives in the main loop.
void PollButtons(int repeat_limit, int& hold_counter, bool& quit);
// Shows a short message in the band for about three seconds (a failed save, for instance).
void ShowPanelMessage(const char* text);
// Shows the message for `milliseconds` instead (tests use 0 to see it expire).
void ShowPanelMessageFor(const char* text, int milliseconds);
