// SPDX-License-Identifier: MIT
// The control panel: the band above the canvas with the ten settings, the toggles and the push
// buttons; its state (held button, question, font, band height), its drawing each frame and the
// polling of its buttons each main-loop iteration.
#pragma once

class CRM32Pro_CFont;

// Height of the panel band above the canvas: 72, or 0 with the panel off (set at start-up).
extern int vertical_padding;
// A press on a gated button or the redo button is in progress; cleared when the mouse button is
// let go (ReleaseHeldButton).
extern bool button_is_held;
// Iterations for which button_is_held has been set, capped one past the repeat limit.
extern int hold_counter;
// The save-defaults question is open (D key; Y, N and Esc close it); the band shows it.
extern bool save_defaults;
// The panel font, loaded at start-up; null before and after.
extern CRM32Pro_CFont* fFont;
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

// What the buttons ask of the shell, set at start-up. The save button is polled before the
// setting pairs, so the save runs at that moment through this hook.
struct PanelCommands {
    bool (*save_image)() = nullptr;
};
extern PanelCommands panel_commands;

// Starts the panel: the band's height (72, or 0 with the panel off), the font and the buttons
// from `package`, the shell's commands, no button held.
void StartPanel(const char* package, const PanelCommands& commands);
// Frees the font and the buttons.
void StopPanel();
// The mouse button was let go: a held panel button ends.
void ReleaseHeldButton();

// The engine's restart request, and the pixel fill toggle off. The space key and the redo button
// go through it.
void RestartCommand();
// Sets a toggle to match its 0/1 flag; a toggle that was not created is skipped.
void SetToggle(int id, int flag);

// Writes the text of panel setting `pair`'s value into chr, always within its 18 bytes: a value
// whose text would not fit is shown in the short form "1.000e+38" (or "nan", "inf").
void WriteValueText(int pair);
// Applies one press of a pair's less (direction -1) or more (+1) button: the step, then the
// bound rule. A NaN read from the settings file becomes the low bound.
void StepSetting(int pair, int direction);

// Creates the buttons from `package`: the pixel fill toggle always, the other 25 only with the
// panel shown.
void CreateButtons(const char* package = "Data/gfx.dpf");
// Draws what changed on the band since the last call: all of it (black box, then the settings
// face or the question face, or nothing more with the panel off, then any message) the first
// time, when the face changes and when a message goes; otherwise only changed values, buttons and
// a new message. Called at the start of every frame.
void DrawPanel();
// Makes the next DrawPanel draw the whole band (something else painted over it).
void RedrawPanel();
// Polls the buttons once (exit, save, redo, hold counter, the ten pairs, the toggles).
// `repeat_limit` is half the real frame rate.
void PollButtons(int repeat_limit, bool& quit);
// Shows a short message in the band for about three seconds (a failed save, for instance).
void ShowPanelMessage(const char* text);
// Shows the message for `milliseconds` instead (tests use 0 to see it expire).
void ShowPanelMessageFor(const char* text, int milliseconds);
