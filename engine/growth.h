// SPDX-License-Identifier: MIT
// The growth pass: one frame's tests_per_frame attempts, strand or fill.
#pragma once

#include <cstdint>

#include "engine/growth_pass.h"

// One growth pass drawing from RandReal's sequence; `stop`, when given, may end it early
// (growth_pass.h). Returns the number of steps walked.
std::uint64_t GrowthPass(growth::PassStop* stop = nullptr);
