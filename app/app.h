// SPDX-License-Identifier: MIT
// The window program's shell: the frame's drawing, the keyboard commands, the two save commands
// and the window view of the canvas. main.cpp runs them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/journal.h"

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

// Canvas pixel (x, y) shown on the window as grey v / 256, past the engine's view.
void ShowPixelOnWindow(int x, int y, int v);
// Asks for the window memory that showing canvas pixel (x, y) will touch; a hint only.
void PrefetchPixelOnWindow(int x, int y);
// Paints the canvas area black; a save's filled pixels still to be shown are dropped.
void ClearWindow();
// Whether the window shows pixels a save filled, which the grids do not hold.
bool WindowShowsFill();
// The filled pixels of a save still to be shown will not be: the window shows another moment.
void ForgetSaveFill();

// The window's steps through the canvas's past since the last restart (timeline.cpp).
// Starts keeping the past, afresh, with the budget of the canvas size now; call once the
// engine's view is the window.
void StartTimeline();
// Backspace and [: the window shows the canvas a second of growth earlier, down to the first
// frame after the last restart, and the growth pauses there.
void StepBackCommand();
// ]: a second later again along the same past, up to the present.
void StepForwardCommand();
// The engine's state becomes the moment shown, and the journal says so (before a save of it).
void GrowOnFromShownMoment();
// Before each frame's canvas work: growing on (no pause) from a moment shown starts from it; a
// restart leaves it.
void TimelineBeforeFrame();
// After each frame, with the frames rendered: the past keeps the state it left.
void TimelineFrameDone(std::uint64_t frame);
// A Back line of a journal being replayed, on the window's past.
bool TimelineApplyBack(const journal::Entry& e);
// Paints the whole canvas on the window from the grids.
void ShowWholeCanvas();

// `morvane FILE` (continue.cpp): reads the picture's provenance, before the log starts (the
// file may be morvane.log itself, which the log's start empties).
void ReadPictureToContinue(const std::string& path);
// Then makes the engine's state that of the picture in FILE (a PNG of
// either program, or a session's journal) from its provenance, with its canvas size and
// settings (but this window's "png file" and "GUI active"), paused, and starts the session's
// journal with the lines that lead there. False, with one line in the log and the panel, when the
// file cannot be continued; the engine is then as the settings file alone leaves it, with a restart
// pending. Call after the settings load and the panel's start, before the window opens.
bool ContinuePicture(const std::string& path);
// A file dropped on the window: when it has a picture to continue, true, and the program is to
// quit and then start again on it (StartAgainOnPicture), so that the window takes the picture's
// size and the log its session; otherwise one line in the log and the panel, and false.
bool ContinueAfterQuit(const std::string& path);
// After shutdown: replaces the process with `morvane FILE` for the dropped picture, if any.
void StartAgainOnPicture(const char* program);
// The memory the past holds.
std::size_t TimelineBytes();
