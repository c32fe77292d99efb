// The growth pass and the render callback that runs it once per frame.
#pragma once

// The render callback: panel band, restart clear when pending, then one growth pass unless
// paused. The argument is unused.
void RenderGraphics(int);
// One growth pass of tests_per_frame attempts (strand or fill), drawing from RandReal.
void GrowthPass();
