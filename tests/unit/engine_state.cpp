// SPDX-License-Identifier: MIT
// The engine tests' reset: everything as after start-up without a settings file.
#include "engine_state.h"

#include "engine/canvas.h"
#include "engine/frame.h"
#include "engine/settings.h"

void ResetEngineState() {
    canvas_view = CanvasView{};
    // The canvas in use may be larger than the default; clear it while xs and ys still cover it.
    RestartClear();
    ResetSettings();
    SetPaused(false);
    SetWhite(false);
    RestartClear();
}
