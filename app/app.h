// SPDX-License-Identifier: MIT
// The window program's shell: the frame's drawing, the keyboard commands, the two save commands
// and the window view of the canvas. main.cpp runs them.
#pragma once

#include <string>
#include <vector>

// Draws one frame: the panel band, then one frame of canvas work.
void RenderGraphics();
// Handles one key-down event; sets `quit` for Esc while no question is open.
void HandleKey(int sym, bool& quit);
// S and the save button: a snapshot of the canvas now, written to the "png file" setting on a
// worker while the frames go on; a request while a save runs waits for it (one at most).
// Returns true (the panel's command hook has a result).
bool RequestImageSaveCommand();
// Y answering the question: the settings now, written to defaults.cfg the same way.
void RequestSettingsSaveCommand();
// The same, waiting for the file (and showing its filled pixels): a failure is logged and shown
// in the panel. Returns whether the file was written.
bool SaveImageCommand();
// Saves the settings to `path` and waits for the file; a failure is logged and shown in the
// panel. Returns whether the file was written.
bool SaveDefaultsCommand(const char* path = "defaults.cfg");
// Logs each problem of defaults.cfg (one line each) and names their count in the panel for a few
// seconds; nothing when there is none.
void ReportSettingsProblems(const std::vector<std::string>& problems);
// Points the engine's view at the window: canvas pixel (x, y) is drawn at (x, y +
// vertical_padding) as grey v / 256, and a restart clear paints the canvas black.
void ShowCanvasOnWindow();
// Waits for the saves still running or waiting and reports them.
void WaitForSaves();
// At quit: the same, saying so in the log and the panel first.
void FinishSaves();
