// The engine tests' reset and flag access, kept out of the gtest files because app/app.h cannot
// be included beside gtest (see engine_state.h).
#include "engine_state.h"

#include "app/app.h"
#include "app/settings.h"
#include "engine/canvas.h"

EngineFlags& Flags() {
    static EngineFlags flags{init, paused, do_fill, white_sprouts};
    return flags;
}

void ResetEngineState() {
    // The canvas in use may be larger than the default; clear it while xs and ys still cover it.
    RestartClear();
    ResetSettings();
    xs = 512;
    ys = 512;
    vertical_padding = 72;
    n_sprouts = 3;
    strand_length = 700;
    tests_per_frame = 5000;
    color_decay = 0.0f;
    start_angle = 0.0f;
    start_angle_rand = 6;
    rand_angle_int = 60;
    rand_angle_probability = 0.01f;
    rand_angle = 0.002f;
    from_angle = 0;
    paused = 0;
    white_sprouts = 0;
    RestartClear();
}
