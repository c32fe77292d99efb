// Placeholder: growth pass.
#include "engine/growth.h"

void RenderGraphics(int) {}
void GrowthPass() {}
