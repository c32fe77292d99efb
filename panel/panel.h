// The control panel: the band above the canvas with the ten settings, the toggles and the push
// buttons; its drawing each frame and the polling of its buttons each main-loop iteration.
#pragma once

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
