// SPDX-License-Identifier: MIT
// The engine tests' reset of settings, flags and canvas.
#pragma once

// Settings, flags and canvas as after start-up without a settings file and a first clear.
void ResetEngineState();
