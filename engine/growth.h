// The growth pass: one frame's tests_per_frame attempts, strand or fill.
#pragma once

// One growth pass drawing from RandReal.
void GrowthPass();
