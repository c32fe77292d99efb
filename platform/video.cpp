// SPDX-License-Identifier: MIT
// The main object: starting SDL on a real display, the window (fitted to the desktop, its canvas
// view scaled down when the canvas is larger), shutdown, the start-up reports, and seeding the
// random generator.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/internal.h"
#include "platform/platform.h"

namespace CRM32Pro_Main {

WindowSettings window;
SDL_Surface* screen = nullptr;

}  // namespace CRM32Pro_Main

namespace platform {

SDL_Window* sdl_window = nullptr;
View view;

}  // namespace platform

namespace {

// The panel's buttons and texts span this many pixels from the left edge.
constexpr int PANEL_WIDTH = 512;

// Why the video subsystem could not start in Init, when SetVideoMode is to report it.
std::string deferred_video_error;

// The drivers that draw into memory only: nobody sees their window.
bool Invisible(const char* driver) {
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

// Whether the environment variable `name` is set to something.
bool Named(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

bool DriverNamedByUser(const char* driver) {
    const char* named = std::getenv("SDL_VIDEODRIVER");
    return named && driver && SDL_strcasecmp(named, driver) == 0;
}

// One line in the log, and on standard error too: a program without a window has no other way of
// telling the user why.
void ReportFailure(const char* what) {
    CRM32Pro_ILogSystem::Msg("%s", what);
    if (platform::LogIsFile()) std::fprintf(stderr, "morvane: %s\n", what);
}

int Failed() {
    const std::string what = "cannot open a " + std::to_string(CRM32Pro_Main::window.width) + "x" +
                             std::to_string(CRM32Pro_Main::window.height) +
                             " window: " + SDL_GetError();
    ReportFailure(what.c_str());
    return 0;
}

// The view for the requested window on the desktop the window will open on; 1:1 on the
// invisible drivers, which have no desktop to fit.
platform::View ChooseView(int& out_w, int& out_h) {
    const CRM32Pro_Main::WindowSettings& ws = CRM32Pro_Main::window;
    const int band = std::min<int>(ws.panel_height, ws.height);
    SDL_Rect usable{0, 0, 0, 0};
    if (Invisible(SDL_GetCurrentVideoDriver()) || SDL_GetDisplayUsableBounds(0, &usable) != 0)
        usable.w = usable.h = 0;
    return platform::FitView(ws.width, ws.height, band, usable.w, usable.h, PANEL_WIDTH, out_w,
                             out_h);
}

}  // namespace

namespace platform {

bool StartVideo() {
    // With no display named at all there is none to reach: asking SDL would only have each of
    // its drivers fail in turn, Wayland's library with a line of its own on standard error.
    if (!std::getenv("SDL_VIDEODRIVER") && !Named("DISPLAY") && !Named("WAYLAND_DISPLAY")) {
        SDL_SetError("no display reachable (DISPLAY and WAYLAND_DISPLAY unset)");
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    // X11's own window surface sends only the updated rectangles, through shared memory; SDL
    // would otherwise put it behind a texture and draw the whole window each present. Other
    // drivers keep SDL's default, which for a driver without a window surface of its own (Wayland)
    // is that texture fallback. The environment wins over both.
    if (driver && std::strcmp(driver, "x11") == 0)
        SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
    if (Invisible(driver) && !DriverNamedByUser(driver)) {
        const std::string name = driver;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        const char* display = std::getenv("DISPLAY");
        SDL_SetError(
            "no display reachable (DISPLAY %s%s); SDL offered only its invisible '%s' "
            "driver",
            display && *display ? "is " : "unset", display ? display : "", name.c_str());
        return false;
    }
    return true;
}

View FitView(int w, int h, int band, int usable_w, int usable_h, int min_w, int& out_w,
             int& out_h) {
    View v;
    v.band = band;
    v.w = w;
    v.h = h;
    out_w = w;
    out_h = h;
    if (usable_w <= 0 || usable_h <= 0 || (w <= usable_w && h <= usable_h)) return v;
    const int canvas_h = std::max(h - band, 0);
    const int largest = std::max({w, canvas_h, 2});
    for (int s = 2; s <= largest; ++s) {
        out_w = (w + s - 1) / s;
        if (band > 0) out_w = std::max(out_w, std::min(min_w, w));
        out_h = band + (canvas_h + s - 1) / s;
        v.scale = v.fit = s;
        if (out_w <= usable_w && out_h <= usable_h) break;
    }
    return v;
}

}  // namespace platform

namespace CRM32Pro_Main {

int Init(std::uint32_t flags) {
    // The program passes SDL 1.2's subsystem bits, which SDL2 kept for timer, audio and video.
    const std::uint32_t audio = flags & SDL_INIT_AUDIO;
    const std::uint32_t video = flags & SDL_INIT_VIDEO;
    if (SDL_Init(flags & ~audio & ~video) != 0) return -1;
    deferred_video_error.clear();
    if (video && !platform::StartVideo()) {
        // A driver the user named that does not start is a failed start; no reachable display
        // is a window that cannot open, reported by SetVideoMode.
        if (std::getenv("SDL_VIDEODRIVER")) return -1;
        deferred_video_error = SDL_GetError();
    }
    // The program makes no sound: a machine without an audio device still gets its window.
    if (audio && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        CRM32Pro_ILogSystem::Msg("audio unavailable (%s); starting without sound", SDL_GetError());
    }
    platform::CatchQuitSignals();
    return 0;
}

const char* LastError() {
    return SDL_GetError();
}

int SetVideoMode() {
    if (window.width == 0 || window.height == 0) {
        // SDL would read 0 as "the desktop size"; the program never means that.
        SDL_SetError("window size %dx%d refused", window.width, window.height);
        return Failed();
    }
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        if (!deferred_video_error.empty()) {
            SDL_SetError("%s", deferred_video_error.c_str());
            return Failed();
        }
        if (!platform::StartVideo()) return Failed();
    }
    int w = 0, h = 0;
    const platform::View view = ChooseView(w, h);
    // Scaled or not, the window goes where SDL puts it on the first display.
    const int at = static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
    SDL_Window* win = SDL_CreateWindow(window.title ? window.title : "", at, at, w, h, 0);
    if (!win) return Failed();
    // The window's own surface, in whatever format the display has (window.depth cannot change
    // it); the drawing code maps colours to that format.
    SDL_Surface* surface = SDL_GetWindowSurface(win);
    if (!surface) {
        const std::string error = SDL_GetError();
        SDL_DestroyWindow(win);
        SDL_SetError("no window surface: %s", error.c_str());
        return Failed();
    }
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    // Key events are all the program reads; no input method needs to run.
    SDL_StopTextInput();
    platform::sdl_window = win;
    platform::view = view;
    screen = surface;
    platform::ResetDirty(surface->w, surface->h);
    platform::ResetCanvas();
    if (view.scale > 1)
        CRM32Pro_ILogSystem::Msg(
            "window: the %dx%d canvas does not fit the desktop; shown at 1/%d in a %dx%d window",
            window.width, window.height - view.band, view.scale, w, h);
    return 1;
}

void VideoInfo() {
    if (!screen) {
        CRM32Pro_ILogSystem::Msg("video: no window");
        return;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    CRM32Pro_ILogSystem::Msg("video: driver %s, window %dx%dx%d (%s), canvas scale 1/%d",
                             driver ? driver : "?", screen->w, screen->h,
                             screen->format->BitsPerPixel,
                             SDL_GetPixelFormatName(screen->format->format), platform::view.scale);
}

void AudioInfo() {
    const char* driver = SDL_WasInit(SDL_INIT_AUDIO) ? SDL_GetCurrentAudioDriver() : nullptr;
    if (driver)
        CRM32Pro_ILogSystem::Msg("audio: driver %s, no sound played", driver);
    else
        CRM32Pro_ILogSystem::Msg("audio: not started");
}

void Quit() {
    screen = nullptr;
    platform::ResetDirty(0, 0);
    platform::view = platform::View{};
    platform::ResetCanvas();
    if (platform::sdl_window) SDL_DestroyWindow(platform::sdl_window);
    platform::sdl_window = nullptr;
    SDL_Quit();
}

}  // namespace CRM32Pro_Main
