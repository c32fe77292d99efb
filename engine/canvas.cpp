// Placeholder: canvas model.
#include "engine/canvas.h"

std::int32_t arr[GRID_SIZE][GRID_SIZE];
float angle_map[GRID_SIZE][GRID_SIZE];
int this_sprout = 0;

int wrapX(int a) {
    return a;
}
int wrapY(int a) {
    return a;
}
int lerp(int a, int, float) {
    return a;
}
int GetBlendedPixel(int, int) {
    return 0;
}
void ShowPixel(int, int, int) {}
void RestartClear() {}
