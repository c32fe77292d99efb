// SPDX-License-Identifier: MIT
// The frame's steps (NextEvent hands back the pending events, then WaitForFrame, the caller's
// rendering and PresentFrame end the frame), the translation of SDL2's events and keycodes into
// the SDL 1.2 codes the program knows, the quit signals, and QuitRequested for long computations.
// Start reading at NextEvent.
#include <csignal>
#include <string>

#include "platform/internal.h"
#include "platform/platform.h"

namespace {

// Called once per frame from Update; null until SetRenderCallback.
void (*render_callback)() = nullptr;
// Set by SIGINT, SIGTERM or SIGHUP, turned into a quit event by the next NextEvent.
volatile std::sig_atomic_t quit_signal = 0;
// A quit event has been handed to the caller, who ends once the frame in progress is done: from
// then on QuitRequested says so, so that a long frame after the quit is cut short too.
bool quit_delivered = false;
// When QuitRequested last asked the X server for events.
std::uint64_t last_pump_us = 0;
constexpr std::uint64_t QUIT_PUMP_INTERVAL_US = 50000;

void OnQuitSignal(int) {
    quit_signal = 1;
}

// SDL2 keycodes outside ASCII and their SDL 1.2 symbols. ASCII keys (letters in lower case,
// digits, Escape, Space, Return, ...) have the same value in both.
struct KeyPair {
    SDL_Keycode sdl2;
    std::int32_t legacy;
};
constexpr KeyPair KEY_TABLE[] = {
    {SDLK_KP_0, 256},        {SDLK_KP_1, 257},       {SDLK_KP_2, 258},
    {SDLK_KP_3, 259},        {SDLK_KP_4, 260},       {SDLK_KP_5, 261},
    {SDLK_KP_6, 262},        {SDLK_KP_7, 263},       {SDLK_KP_8, 264},
    {SDLK_KP_9, 265},        {SDLK_KP_PERIOD, 266},  {SDLK_KP_DIVIDE, 267},
    {SDLK_KP_MULTIPLY, 268}, {SDLK_KP_MINUS, 269},   {SDLK_KP_PLUS, 270},
    {SDLK_KP_ENTER, 271},    {SDLK_KP_EQUALS, 272},  {SDLK_UP, 273},
    {SDLK_DOWN, 274},        {SDLK_RIGHT, 275},      {SDLK_LEFT, 276},
    {SDLK_INSERT, 277},      {SDLK_HOME, 278},       {SDLK_END, 279},
    {SDLK_PAGEUP, 280},      {SDLK_PAGEDOWN, 281},   {SDLK_NUMLOCKCLEAR, 300},
    {SDLK_CAPSLOCK, 301},    {SDLK_SCROLLLOCK, 302}, {SDLK_RSHIFT, 303},
    {SDLK_LSHIFT, 304},      {SDLK_RCTRL, 305},      {SDLK_LCTRL, 306},
    {SDLK_RALT, 307},        {SDLK_LALT, 308},       {SDLK_RGUI, 309},
    {SDLK_LGUI, 310},        {SDLK_MODE, 313},       {SDLK_HELP, 315},
    {SDLK_PRINTSCREEN, 316}, {SDLK_SYSREQ, 317},     {SDLK_PAUSE, 19},
    {SDLK_MENU, 319},        {SDLK_POWER, 320},      {SDLK_UNDO, 322},
};

// The path of the last file dropped on the window.
std::string dropped_path;

// Copies one SDL event into the caller's record; false for events the program does not read
// (window and text events, key repeats), which NextEvent then drops.
bool Translate(const SDL_Event& in, Event* out) {
    Event e;
    switch (in.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            e.type = in.type == SDL_KEYDOWN ? EVENT_KEYDOWN : EVENT_KEYUP;
            e.sym = platform::LegacyKeySym(in.key.keysym.sym);
            // SDL 1.2 repeated no keys unless asked to; only the step keys ask, so that holding
            // one keeps stepping.
            if (in.key.repeat && !platform::RepeatsWhenHeld(e.sym)) return false;
            break;
        case SDL_MOUSEMOTION:
            e.type = EVENT_MOUSEMOTION;
            if (in.motion.state & (SDL_BUTTON_MMASK | SDL_BUTTON_RMASK)) {
                e.type = EVENT_MOUSEDRAG;
                e.dx = in.motion.xrel;
                e.dy = in.motion.yrel;
            }
            break;
        case SDL_MOUSEWHEEL:
            e.type = EVENT_MOUSEWHEEL;
            e.dy = in.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -in.wheel.y : in.wheel.y;
            break;
        case SDL_MOUSEBUTTONDOWN:
            e.type = EVENT_MOUSEBUTTONDOWN;
            break;
        case SDL_MOUSEBUTTONUP:
            e.type = EVENT_MOUSEBUTTONUP;
            break;
        case SDL_QUIT:
            e.type = EVENT_QUIT;
            break;
        case SDL_DROPFILE:
            // SDL hands over the text, to be freed here; the event points at a copy.
            dropped_path = in.drop.file ? in.drop.file : "";
            SDL_free(in.drop.file);
            e.type = EVENT_DROPFILE;
            e.path = dropped_path.c_str();
            break;
        case SDL_DROPTEXT:
            SDL_free(in.drop.file);
            return false;
        default:
            return false;
    }
    if (out) *out = e;
    return true;
}

// Window events that need the platform: a window uncovered again is shown whole, since only the
// dirty tiles would be sent otherwise.
void HandleWindowEvent(const SDL_Event& in) {
    if (in.type != SDL_WINDOWEVENT || !CRM32Pro_Main::screen) return;
    if (in.window.event == SDL_WINDOWEVENT_EXPOSED) platform::MarkAllDirty();
}

}  // namespace

namespace platform {

bool RepeatsWhenHeld(std::int32_t sym) {
    return sym == KEY_BACKSPACE || sym == KEY_LEFTBRACKET || sym == KEY_RIGHTBRACKET;
}

std::int32_t LegacyKeySym(SDL_Keycode key) {
    if (key >= 0 && key < 128) return key;
    for (const KeyPair& pair : KEY_TABLE)
        if (pair.sdl2 == key) return pair.legacy;
    if (key >= SDLK_F1 && key <= SDLK_F12) return 282 + (key - SDLK_F1);
    if (key >= SDLK_F13 && key <= SDLK_F15) return 294 + (key - SDLK_F13);
    return 0;
}

// SDL installs its own quit handlers only where the signal is at its default; a program started
// in the background by a script inherits SIGINT ignored, and must still end on it. SIGHUP comes
// when the terminal the program was started from closes.
void CatchQuitSignals() {
    quit_signal = 0;
    quit_delivered = false;
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);
}

}  // namespace platform

namespace CRM32Pro_Main {

bool NextEvent(Event* event) {
    if (quit_signal) {
        quit_signal = 0;
        quit_delivered = true;
        if (event) *event = Event{EVENT_QUIT, 0};
        return true;
    }
    SDL_Event in;
    while (SDL_PollEvent(&in)) {
        HandleWindowEvent(in);
        if (in.type == SDL_MOUSEBUTTONDOWN || in.type == SDL_MOUSEBUTTONUP ||
            in.type == SDL_MOUSEMOTION)
            platform::ButtonsHandleMouse(in);
        if (in.type == SDL_QUIT) quit_delivered = true;
        if (Translate(in, event)) return true;
    }
    last_pump_us = platform::NowMicros();
    return false;
}

void WaitForFrame() {
    platform::WaitForFrame();
}

void PresentFrame() {
    const std::uint64_t start = platform::NowMicros();
    platform::SettleView();
    const int rects = platform::PresentDirty(screen);
    if (rects > 0) platform::RecordPresent(platform::NowMicros() - start, rects);
}

void SetRenderCallback(void (*render)()) {
    render_callback = render;
}

int Update(Event* event) {
    if (NextEvent(event)) return 1;
    WaitForFrame();
    if (render_callback) render_callback();
    PresentFrame();
    return 0;
}

bool QuitRequested() {
    if (quit_signal || quit_delivered) return true;
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    // Asking the X server costs a round trip; a long computation may call this very often.
    const std::uint64_t now = platform::NowMicros();
    if (now - last_pump_us >= QUIT_PUMP_INTERVAL_US) {
        SDL_PumpEvents();
        last_pump_us = now;
    }
    SDL_Event waiting;
    return SDL_PeepEvents(&waiting, 1, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) > 0;
}

}  // namespace CRM32Pro_Main
