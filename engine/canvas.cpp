// The canvas model: the two grids, their wrap, lerp and blend helpers, the rule that shows a canvas
// value on the window, and the restart clear. The growth pass (growth.cpp) and the PNG export read
// and write the grids through these.
#include "engine/canvas.h"

#include <algorithm>
#include <cstdint>

#include "app/app.h"
#include "app/settings.h"
#include "engine/numeric.h"
#include "platform/platform.h"

std::int32_t arr[GRID_SIZE][GRID_SIZE];
float angle_map[GRID_SIZE][GRID_SIZE];
int this_sprout = 0;

int wrapX(int a) {
    return WrapIndex(a, xs);
}

int wrapY(int a) {
    return WrapIndex(a, ys);
}

int lerp(int a, int b, float t) {
    const double td = t;
    return TruncToInt(a * (1.0 - td) + b * td);
}

int GetBlendedPixel(int x, int y) {
    // Wrap the centre first so that x - 1 and x + 1 cannot overflow for any int.
    const int cx = wrapX(x);
    const int cy = wrapY(y);
    const std::int32_t neighbours[4] = {
        arr[wrapX(cx - 1)][cy],
        arr[wrapX(cx + 1)][cy],
        arr[cx][wrapY(cy - 1)],
        arr[cx][wrapY(cy + 1)],
    };
    // 64-bit sum: values written under out-of-range settings can reach INT_MAX.
    std::int64_t sum = 0;
    int count = 0;
    for (const std::int32_t value : neighbours) {
        if (value > 0) {
            sum += value;
            ++count;
        }
    }
    if (count == 0) return 0;
    return TruncToInt(static_cast<double>(sum) / count * (1.0 - static_cast<double>(color_decay)));
}

void ShowPixel(int x, int y, int v) {
    const auto grey = static_cast<std::uint8_t>((v / 256) & 255);
    CRM32Pro_IPrimitives::PutPixelRGBA(CRM32Pro_Main::screen, static_cast<std::int16_t>(x),
                                       static_cast<std::int16_t>(y + vertical_padding), grey, grey,
                                       grey, 255, 1);
}

void RestartClear() {
    CRM32Pro_IPrimitives::BoxColor(CRM32Pro_Main::screen, 0, 0, static_cast<std::int16_t>(xs),
                                   static_cast<std::int16_t>(ys + vertical_padding), 0);
    this_sprout = 0;
    // A column is contiguous, so the used area is cleared as xs runs of ys values.
    for (int x = 0; x < xs; ++x) {
        std::fill_n(arr[x], ys, 0);
        std::fill_n(angle_map[x], ys, 0.0f);
    }
    do_fill = 0;
    init = 1;
}
