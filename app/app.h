// The application shell's state and commands: the flags shared by the main loop, the panel and
// the growth pass, and the keyboard commands.
#pragma once

class CRM32Pro_CFont;

// 0 while a restart is pending; the next frame clears the canvas and sets it to 1. Set to 0 by
// the space key and the redo button.
extern int init;
// 1 suspends the growth pass (P key, pause toggle). Named `paused` because POSIX declares a
// function pause() in <unistd.h>, which the standard library and the test framework include.
extern int paused;
// 1 selects pixel fill mode (F key, pixel fill toggle); 0 again at every restart clear.
extern int do_fill;
// 1 ends seed lines white instead of tent shading (white toggle).
extern int white_sprouts;
// A panel button press is in progress; cleared when the mouse button is let go.
extern bool button_is_held;
// The save-defaults question is open (D key; Y, N and Esc close it).
extern bool save_defaults;
// The panel font, loaded at start-up.
extern CRM32Pro_CFont* fFont;

// Handles one key-down event; sets `quit` for Esc while no question is open.
void HandleKey(int sym, bool& quit);
