// SPDX-License-Identifier: MIT
// The flags that steer a frame and their one writer, the view, and the canvas work of one frame.
#include "engine/frame.h"

#include "engine/canvas.h"
#include "engine/growth.h"
#include "engine/random.h"

int init = 0;
int paused = 0;
int do_fill = 0;
int white_sprouts = 0;
CanvasView canvas_view;
bool (*quit_requested)() = nullptr;

namespace {

// Told after each counted frame of a headless session; see SetFrameObserver.
void (*frame_observer)() = nullptr;

// The flags as TakeFlagNews last handed them over; `pending` is whether a restart was pending.
struct Taken {
    bool pending = true;
    bool paused = false, fill = false, white = false;
};
Taken taken;

}  // namespace

void RequestRestart() {
    init = 0;
}

bool RestartPending() {
    return init == 0;
}

void SetPaused(bool on) {
    paused = on ? 1 : 0;
}

void SetFill(bool on) {
    do_fill = on ? 1 : 0;
}

void SetWhite(bool on) {
    white_sprouts = on ? 1 : 0;
}

void EndRestart() {
    do_fill = 0;
    init = 1;
    taken.pending = false;
    taken.fill = false;
}

FlagNews TakeFlagNews() {
    FlagNews news;
    news.restart = RestartPending() && !taken.pending;
    news.paused = (paused != 0) != taken.paused;
    news.fill = (do_fill != 0) != taken.fill;
    news.white = (white_sprouts != 0) != taken.white;
    ForgetFlagNews();
    return news;
}

void ForgetFlagNews() {
    taken = {RestartPending(), paused != 0, do_fill != 0, white_sprouts != 0};
}

FrameOutcome CanvasFrame(long attempt_limit) {
    if (init == 0) RestartClear();
    if (paused != 0) return {};
    growth::PassStop stop;
    stop.requested = quit_requested;
    stop.limit = attempt_limit;
    GrowthPass(&stop);
    return {stop.cut, stop.attempts};
}

void StartSessionState(std::uint32_t seed, const CanvasView& view) {
    RequestRestart();
    SetPaused(false);
    SetFill(false);
    SetWhite(false);
    this_sprout = 0;
    SetCanvasView(view);
    CRM32Pro_Main::RandSeed(seed);
}

void SetFrameObserver(void (*observer)()) {
    frame_observer = observer;
}

void FrameDone() {
    if (frame_observer) frame_observer();
}

void SetCanvasView(const CanvasView& view) {
    canvas_view = view;
}

void SetQuitCheck(bool (*check)()) {
    quit_requested = check;
}
