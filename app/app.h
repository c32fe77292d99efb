// The window program's shell: the frame's drawing, the keyboard commands, the two save commands
// and the window view of the canvas. main.cpp runs them.
#pragma once

// Draws one frame: the panel band, then one frame of canvas work.
void RenderGraphics();
// Handles one key-down event; sets `quit` for Esc while no question is open.
void HandleKey(int sym, bool& quit);
// Saves the image to the "png file" setting (S key, save button); a failure is logged and shown
// in the panel. Returns whether the file was written.
bool SaveImageCommand();
// Saves the settings to defaults.cfg (Y answering the question); a failure is logged and shown
// in the panel. Returns whether the file was written.
bool SaveDefaultsCommand(const char* path = "defaults.cfg");
// Points the engine's view at the window: canvas pixel (x, y) is drawn at (x, y +
// vertical_padding) as grey v / 256, and a restart clear paints the whole window black.
void ShowCanvasOnWindow();
