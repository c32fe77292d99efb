// The main object: starting SDL, the window, the frame loop of Update (events first, then one
// paced frame: render callback and present) and shutdown.
// Start reading at Update.
#include <csignal>
#include <cstdlib>
#include <string>

#include "platform/internal.h"
#include "platform/platform.h"

namespace CRM32Pro_Main {

WindowSettings window;
SDL_Surface* screen = nullptr;

}  // namespace CRM32Pro_Main

namespace {

// Called once per frame from Update; null until SetRenderCallback.
void (*render_callback)(int) = nullptr;
// Set by SIGINT or SIGTERM, turned into a quit event by the next Update.
volatile std::sig_atomic_t quit_signal = 0;

void OnQuitSignal(int) {
    quit_signal = 1;
}

// SDL installs its own quit handlers only where the signal is at its default; a program started
// in the background by a script inherits SIGINT ignored, and must still end on it.
void CatchQuitSignals() {
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Copies one SDL event into the caller's record: the type, and the key symbol of key events.
void Translate(const SDL_Event& in, Event* out) {
    out->type = in.type;
    out->sym = (in.type == SDL_KEYDOWN || in.type == SDL_KEYUP) ? in.key.keysym.sym : 0;
}

}  // namespace

namespace platform {

void PreferSoftwarePresent() {
    // The compatibility layer otherwise draws the whole window texture through OpenGL on every
    // present; without a GPU (Xvfb, remote X) that software GL pass cost 4096 x 4168 windows
    // about 80% of their frame rate. Software rendering sends only the updated rectangles, as
    // SDL 1.2 itself did. A value the user set in the environment wins.
    setenv("SDL_RENDER_DRIVER", "software", 0);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
}

}  // namespace platform

namespace CRM32Pro_Main {

int Init(std::uint32_t flags) {
    platform::PreferSoftwarePresent();
    const std::uint32_t audio = flags & SDL_INIT_AUDIO;
    if (SDL_Init(flags & ~audio) != 0) return -1;
    // The program makes no sound: a machine without an audio device still gets its window.
    if (audio && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        CRM32Pro_ILogSystem::Msg(2, "audio unavailable (%s); starting without sound",
                                 SDL_GetError());
    }
    CatchQuitSignals();
    return 0;
}

const char* LastError() {
    return SDL_GetError();
}

int SetVideoMode() {
    // Whatever stops the window, the log says so: without a window the user sees nothing else.
    const auto failed = [] {
        CRM32Pro_ILogSystem::Msg(2, "cannot open a %dx%d window: %s", window.width, window.height,
                                 SDL_GetError());
        return 0;
    };
    if (window.width == 0 || window.height == 0) {
        // SDL would read 0 as "the desktop size"; the program never means that.
        SDL_SetError("window size %dx%d refused", window.width, window.height);
        return failed();
    }
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return failed();
    SDL_Surface* surface =
        SDL_SetVideoMode(window.width, window.height, window.depth, SDL_SWSURFACE);
    if (!surface) return failed();
    // The compatibility layer may hand back a reused buffer with an old picture in it.
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    SDL_WM_SetCaption(window.title ? window.title : "", nullptr);
    screen = surface;
    platform::ResetDirty(surface->w, surface->h);
    return 1;
}

void SetRenderCallback(void (*render)(int)) {
    render_callback = render;
}

int Update(Event* event) {
    if (quit_signal) {
        quit_signal = 0;
        if (event) *event = Event{EVENT_QUIT, 0};
        return 1;
    }
    SDL_Event in;
    if (SDL_PollEvent(&in)) {
        if (in.type == SDL_MOUSEBUTTONDOWN || in.type == SDL_MOUSEBUTTONUP ||
            in.type == SDL_MOUSEMOTION)
            platform::ButtonsHandleMouse(in);
        if (event) Translate(in, event);
        return 1;
    }
    platform::WaitForFrame();
    if (render_callback) render_callback(0);
    const std::uint64_t start = platform::NowMicros();
    const int rects = platform::PresentDirty(screen);
    if (rects > 0) platform::RecordPresent(platform::NowMicros() - start, rects);
    return 0;
}

void VideoInfo() {
    if (!screen) {
        CRM32Pro_ILogSystem::Msg(2, "video: no window");
        return;
    }
    char driver[64] = "";
    SDL_VideoDriverName(driver, sizeof driver);
    CRM32Pro_ILogSystem::Msg(2, "video: driver %s, window %dx%dx%d, software surface", driver,
                             screen->w, screen->h, screen->format->BitsPerPixel);
}

void AudioInfo() {
    char driver[64] = "";
    if (SDL_WasInit(SDL_INIT_AUDIO) && SDL_AudioDriverName(driver, sizeof driver))
        CRM32Pro_ILogSystem::Msg(2, "audio: driver %s, no sound played", driver);
    else
        CRM32Pro_ILogSystem::Msg(2, "audio: not started");
}

void Quit() {
    screen = nullptr;
    platform::ResetDirty(0, 0);
    SDL_Quit();
}

}  // namespace CRM32Pro_Main
