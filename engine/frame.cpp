// The flags that steer a frame, the view, and the canvas work of one frame.
#include "engine/frame.h"

#include "engine/canvas.h"
#include "engine/growth.h"

int init = 0;
int paused = 0;
int do_fill = 0;
int white_sprouts = 0;
CanvasView canvas_view;
bool (*quit_requested)() = nullptr;

FrameOutcome CanvasFrame(long attempt_limit) {
    if (init == 0) RestartClear();
    if (paused != 0) return {};
    growth::PassStop stop;
    stop.requested = quit_requested;
    stop.limit = attempt_limit;
    GrowthPass(&stop);
    return {stop.cut, stop.attempts};
}
