// The growth pass: one frame's tests_per_frame attempts, strand or fill.
#pragma once

#include "engine/growth_pass.h"

// One growth pass drawing from RandReal; `stop`, when given, may end it early (growth_pass.h).
void GrowthPass(growth::PassStop* stop = nullptr);
