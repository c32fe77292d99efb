// Placeholder: shell flags and keys.
#include "app/app.h"

int init = 0;
int pause = 0;
int do_fill = 0;
int white_sprouts = 0;
bool button_is_held = false;
bool save_defaults = false;
CRM32Pro_CFont* fFont = nullptr;

void HandleKey(int, bool&) {}
