// One frame of canvas work (the restart clear when one is pending, then the growth pass unless
// paused), the flags that steer it, and the view the engine shows its pixels on. The window
// program and the renderer both run frames through CanvasFrame.
#pragma once

// 0 while a restart is pending; the next frame clears the canvas and sets it to 1. Starts at 0,
// so the first frame clears. Set to 0 by the shell's restart request.
extern int init;
// 1 suspends the growth pass (P key, pause toggle). Named `paused` because POSIX declares a
// function pause() in <unistd.h>.
extern int paused;
// 1 selects pixel fill mode (F key, pixel fill toggle); 0 again at every restart clear.
extern int do_fill;
// 1 ends seed lines white instead of tent shading (white toggle).
extern int white_sprouts;

// Where the engine shows what it draws: the window program points these at the window, the
// renderer at nothing (or at a video frame). Either may be null.
struct CanvasView {
    // Canvas pixel (x, y) now holds value v.
    void (*show_pixel)(int x, int y, int v) = nullptr;
    // The restart clear has emptied the canvas.
    void (*clear)() = nullptr;
};
extern CanvasView canvas_view;

// Shows value v of canvas pixel (x, y) on the view.
inline void ShowPixel(int x, int y, int v) {
    if (canvas_view.show_pixel) canvas_view.show_pixel(x, y, v);
}

// Asked now and then during a growth pass (every 256 attempts and every 65536 steps): true ends
// the pass early, so that a quit request never waits for a long frame. Null: never asked.
extern bool (*quit_requested)();

// A growth pass that ended before its tests_per_frame attempts, and how many it made.
struct FrameOutcome {
    bool cut = false;
    long attempts = 0;
};

// The canvas work of one frame: the restart clear when init is 0, then one growth pass of
// tests_per_frame attempts unless paused. `attempt_limit` of 0 or more ends the pass after that
// many attempts, as a replay of a frame that a quit cut short does.
FrameOutcome CanvasFrame(long attempt_limit = -1);
