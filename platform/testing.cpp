// SPDX-License-Identifier: MIT
// Test access for unit tests: a window on SDL's dummy video driver, window pixels read back, and
// synthetic mouse and key events queued for Update exactly as SDL would deliver real ones.
#include "platform/testing.h"

#include <algorithm>

#include "platform/internal.h"
#include "platform/platform.h"

namespace {

// Whether the synthetic left button is down, so motion events carry the right button state.
bool left_down = false;

}  // namespace

namespace PlatformTest {

bool OpenWindow(int w, int h) {
    if (w <= 0 || h <= 0 || w > 0xFFFF || h > 0xFFFF) return false;
    if (!SDL_WasInit(SDL_INIT_TIMER) && SDL_Init(SDL_INIT_TIMER) != 0) return false;
    if (!SDL_WasInit(SDL_INIT_VIDEO) && !platform::StartVideo()) return false;
    CRM32Pro_Main::window.width = static_cast<std::uint16_t>(w);
    CRM32Pro_Main::window.height = static_cast<std::uint16_t>(h);
    CRM32Pro_Main::window.depth = 32;
    CRM32Pro_Main::window.mode = 1;
    CRM32Pro_Main::window.title = "morvane test";
    CRM32Pro_Main::window.panel_height = static_cast<std::uint16_t>(std::min(h, 72));
    left_down = false;
    return CRM32Pro_Main::SetVideoMode() != 0;
}

void CloseWindow() {
    CRM32Pro_Main::Quit();
}

int ScreenGrey(int x, int y) {
    SDL_Surface* s = CRM32Pro_Main::screen;
    if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h) return -1;
    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return -1;
    const Uint8* p =
        static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    Uint32 pixel = 0;
    for (int i = 0; i < s->format->BytesPerPixel; ++i)
        pixel |= static_cast<Uint32>(p[i]) << (8 * i);
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(pixel, s->format, &r, &g, &b);
    return r;
}

void PushMouse(std::uint8_t type, int x, int y) {
    SDL_Event event{};
    if (type == EVENT_MOUSEMOTION) {
        event.type = SDL_MOUSEMOTION;
        event.motion.state = left_down ? SDL_BUTTON(SDL_BUTTON_LEFT) : 0;
        event.motion.x = x;
        event.motion.y = y;
    } else {
        left_down = type == EVENT_MOUSEBUTTONDOWN;
        event.type = left_down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = left_down ? SDL_PRESSED : SDL_RELEASED;
        event.button.clicks = 1;
        event.button.x = x;
        event.button.y = y;
    }
    SDL_PushEvent(&event);
}

void PushKey(std::int32_t sym) {
    // The program's symbols are SDL 1.2's; those the tests use (ASCII keys) are the same keycodes
    // in SDL2.
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = static_cast<SDL_Keycode>(sym);
    SDL_PushEvent(&event);
}

void PushDrop(const char* path) {
    SDL_Event event{};
    event.type = SDL_DROPFILE;
    event.drop.file = SDL_strdup(path);
    SDL_PushEvent(&event);
}

int PresentFrame() {
    return platform::PresentDirty(CRM32Pro_Main::screen);
}

}  // namespace PlatformTest
