// The flags that steer a frame, the view, and the canvas work of one frame.
#include "engine/frame.h"

#include "engine/canvas.h"
#include "engine/growth.h"

int init = 0;
int paused = 0;
int do_fill = 0;
int white_sprouts = 0;
CanvasView canvas_view;

void CanvasFrame() {
    if (init == 0) RestartClear();
    if (paused == 0) GrowthPass();
}
