// Placeholder: panel.
#include "panel/panel.h"

char chr[18];
PanelButtons panel_buttons;

void CreateButtons() {}
void DrawPanel() {}
void PollButtons(int, int&, bool&) {}
void ShowPanelMessage(const char*) {}
