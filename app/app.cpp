// The shell's flags: restart, pause, pixel fill, white seeds, the held-button and question states,
// and the panel font. Each is read and written on the main thread only; see app/app.h for writers.
#include "app/app.h"

// 0 while a restart is pending; the first frame clears the canvas because it starts at 0.
int init = 0;
// 1 suspends the growth pass.
int paused = 0;
// 1 selects pixel fill mode.
int do_fill = 0;
// 1 ends seed lines white.
int white_sprouts = 0;
// A panel button press is in progress; the event pump clears it on mouse release.
bool button_is_held = false;
// The save-defaults question is open.
bool save_defaults = false;
// The panel font; null until start-up loads it and after shutdown.
CRM32Pro_CFont* fFont = nullptr;
