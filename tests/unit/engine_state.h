// The engine tests' access to the shell's flags and their reset. app/app.h cannot be included
// beside gtest (its `pause` clashes with POSIX pause() from <unistd.h>), so the flags are reached
// through references set up in engine_state.cpp.
#pragma once

struct EngineFlags {
    int& init;
    int& pause;
    int& do_fill;
    int& white_sprouts;
};
EngineFlags& Flags();

// Settings, flags and canvas as after start-up without a settings file and a first clear.
void ResetEngineState();
