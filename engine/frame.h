// SPDX-License-Identifier: MIT
// One frame of canvas work (the restart clear when one is pending, then the growth pass unless
// paused), the flags that steer it, and the view the engine shows its pixels on. The window
// program and the renderer both run frames through CanvasFrame.
#pragma once

#include <cstdint>

// The frame flags. Read them anywhere; change them only through the calls below, which are
// their one writer (frame.cpp), so that a recorder of the session can ask what changed.
// 0 while a restart is pending; the next frame clears the canvas and sets it to 1. Starts at 0,
// so the first frame clears.
extern int init;
// 1 suspends the growth pass (P key, pause toggle). Named `paused` because POSIX declares a
// function pause() in <unistd.h>.
extern int paused;
// 1 selects pixel fill mode (F key, pixel fill toggle); 0 again at every restart clear.
extern int do_fill;
// 1 ends seed lines white instead of tent shading (white toggle).
extern int white_sprouts;

// Makes a restart pending (init 0): the next frame clears the canvas. A request while one is
// pending changes nothing.
void RequestRestart();
bool RestartPending();
void SetPaused(bool on);
void SetFill(bool on);
void SetWhite(bool on);
// The restart clear has run: init 1 and pixel fill off. Called by RestartClear only.
void EndRestart();

// What a session's record has not written down yet: the flags that differ from the values last
// taken, and a restart requested since then. The frame's own changes (its restart clear ending
// the pending restart and switching fill off) are not news: a replay makes them the same way.
struct FlagNews {
    bool restart = false;
    bool paused = false, fill = false, white = false;
};
// Hands back the news and marks it taken.
FlagNews TakeFlagNews();
// Marks the flags as they are now as taken (the record's start).
void ForgetFlagNews();

// Where the engine shows what it draws: the window program points these at the window, the
// renderer at nothing (or at a video frame). Any may be null.
struct CanvasView {
    // Canvas pixel (x, y) now holds value v.
    void (*show_pixel)(int x, int y, int v) = nullptr;
    // Canvas pixel (x, y) is about to be shown: its memory can be asked for now. A hint only.
    void (*prefetch_pixel)(int x, int y) = nullptr;
    // The restart clear has emptied the canvas.
    void (*clear)() = nullptr;
    // A save filled the empty pixel (x, y) with value v in its picture; it stays empty in the
    // grids, so a view that counts what the canvas holds leaves this null.
    void (*show_filled)(int x, int y, int v) = nullptr;
};
extern CanvasView canvas_view;

// Points the engine at `view`: where it shows what it draws from now on.
void SetCanvasView(const CanvasView& view);
// `observer` is called at every FrameDone: after each frame a headless session has run and
// counted (a renderer's video takes its frames there); null for none.
void SetFrameObserver(void (*observer)());
void FrameDone();
// The state a session starts from (the renderer's, a web page's, a continued picture's): a
// restart pending, so that the first frame clears the canvas, the three flags off, no seed line
// drawn yet, the generator at `seed`, and the engine showing its pixels on `view`.
void StartSessionState(std::uint32_t seed, const CanvasView& view);

// Shows value v of canvas pixel (x, y) on the view.
inline void ShowPixel(int x, int y, int v) {
    if (canvas_view.show_pixel) canvas_view.show_pixel(x, y, v);
}

// Asked now and then during a growth pass (every 256 attempts and every 65536 steps): true ends
// the pass early, so that a quit request never waits for a long frame. Null: never asked.
extern bool (*quit_requested)();
// Sets quit_requested, its one writer.
void SetQuitCheck(bool (*check)());

// A growth pass that ended before its tests_per_frame attempts, and how many it made.
struct FrameOutcome {
    bool cut = false;
    long attempts = 0;
};

// The canvas work of one frame: the restart clear when init is 0, then one growth pass of
// tests_per_frame attempts unless paused. `attempt_limit` of 0 or more ends the pass after that
// many attempts, as a replay of a frame that a quit cut short does.
FrameOutcome CanvasFrame(long attempt_limit = -1);
