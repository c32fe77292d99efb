// SPDX-License-Identifier: MIT
// Test access to the platform layer, for unit tests only: a window on SDL's dummy video driver,
// window pixels read back, and input events fed to Update as if a user made them.
#pragma once

#include <cstdint>

namespace PlatformTest {
// Starts SDL's video (on the driver SDL_VIDEODRIVER names, dummy in the unit tests; without it
// on a real display, never an invisible fallback) and opens a w x h window as SetVideoMode would,
// with a 72-row panel band; true on success. Sets CRM32Pro_Main::screen.
bool OpenWindow(int w, int h);
// Closes the window and SDL again; CRM32Pro_Main::screen becomes null.
void CloseWindow();
// The red channel of window pixel (x, y); -1 outside the window or without one.
int ScreenGrey(int x, int y);
// Queues a mouse event (EVENT_MOUSEBUTTONDOWN, EVENT_MOUSEBUTTONUP or EVENT_MOUSEMOTION, left
// button) at window position (x, y); Update hands it to the buttons and then back to the caller.
void PushMouse(std::uint8_t type, int x, int y);
// Queues a key-down event with this key symbol.
void PushKey(std::int32_t sym);
// Queues a file dropped on the window.
void PushDrop(const char* path);
// Sends what was drawn since the last present to the display, as the end of a frame does, without
// waiting for the frame time; returns the number of rectangles sent (0: nothing had changed).
int PresentFrame();
}  // namespace PlatformTest
