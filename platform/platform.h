// SPDX-License-Identifier: MIT
// The multimedia layer: window, frame loop, events, buttons, font, drawing primitives, frame
// timer, random numbers and the log. This header is everything the rest of the program may call;
// only the files of platform/ include SDL. Read it top to bottom: one section per subsystem.
#pragma once

#include <cstdint>

struct SDL_Surface;  // the drawing target; opaque outside platform/

// ---- Events ----------------------------------------------------------------------------------
// Type codes of the events NextEvent hands back; the values are SDL 1.2's.
enum : std::uint8_t {
    EVENT_KEYDOWN = 2,
    EVENT_KEYUP = 3,
    EVENT_MOUSEMOTION = 4,
    EVENT_MOUSEBUTTONDOWN = 5,
    EVENT_MOUSEBUTTONUP = 6,
    EVENT_QUIT = 12,
    // Not SDL 1.2's: the wheel turned (dy notches, positive away from the user), and the pointer
    // moved (dx, dy) with the middle or right button held, which pans the view.
    EVENT_MOUSEWHEEL = 32,
    EVENT_MOUSEDRAG = 33,
};

// Key symbols (SDL 1.2 values: letters are their lower-case ASCII code with or without Shift).
enum : std::int32_t {
    KEY_ESCAPE = 27,
    KEY_SPACE = 32,
    KEY_PLUS = 43,
    KEY_MINUS = 45,
    KEY_0 = 48,
    KEY_EQUALS = 61,  // the + key without Shift on most layouts
    KEY_D = 100,
    KEY_F = 102,
    KEY_N = 110,
    KEY_P = 112,
    KEY_S = 115,
    KEY_Y = 121,
    KEY_KP_0 = 256,
    KEY_KP_MINUS = 269,
    KEY_KP_PLUS = 270,
};

// One event as NextEvent fills it in. `sym` is the key symbol of a key event and 0 otherwise;
// dx and dy are the notches of a wheel event and the pointer's move of a drag, 0 otherwise.
struct Event {
    std::uint8_t type = 0;
    std::int32_t sym = 0;
    std::int32_t dx = 0;
    std::int32_t dy = 0;
};

// ---- Log -------------------------------------------------------------------------------------
namespace CRM32Pro_ILogSystem {
// Opens the log file (truncating it) and holds it locked; its first line is "`name` log
// started". Every line is plain text with a time stamp. While other running programs hold
// `file`, the first free of its copies "-2" to "-9" before the extension is used instead
// (morvane-2.log), and the log says so.
void Init(const char* file, const char* name);
// Writes one line (a trailing line feed in the format is not doubled). Works before Init too: the
// line then goes to standard error.
void Msg(const char* format, ...) __attribute__((format(printf, 1, 2)));
}  // namespace CRM32Pro_ILogSystem

// ---- Main object: library start, window, frame loop --------------------------
namespace CRM32Pro_Main {
// Read by SetVideoMode.
struct WindowSettings {
    const char* title = "morvane";
    std::uint8_t mode = 1;      // 1: a normal window (the only mode this layer knows)
    std::uint8_t depth = 32;    // bits per pixel
    std::uint16_t width = 512;  // the drawing area the program asks for, panel band included
    std::uint16_t height = 584;
    // Rows at the top that hold the panel (72, or 0 without it). When the window must be scaled
    // down to fit the desktop, these rows stay at full size and only the canvas below shrinks.
    std::uint16_t panel_height = 72;
};
extern WindowSettings window;

// The window surface once SetVideoMode succeeded, null before. Drawing targets it.
extern SDL_Surface* screen;

// Subsystem flags for Init (SDL 1.2's values, which SDL2 kept).
constexpr std::uint32_t INIT_TIMER = 0x01;
constexpr std::uint32_t INIT_AUDIO = 0x10;
constexpr std::uint32_t INIT_VIDEO = 0x20;
// Starts SDL with these subsystem flags. Negative on failure, with the reason in LastError.
int Init(std::uint32_t flags);
const char* LastError();
// Opens the window from `window`. Nonzero on success. The program always draws in the
// coordinates of the size it asked for; when that does not fit the desktop's usable area, the
// window starts showing the canvas below the panel band scaled down by the smallest whole factor
// that fits (each window pixel the brightest of the canvas pixels it covers), and the log says
// the scale.
// Without a reachable display it fails (one line in the log and on standard error): SDL's
// invisible offscreen and dummy drivers are used only when SDL_VIDEODRIVER names them.
int SetVideoMode();
// A frame is: every pending event through NextEvent, then WaitForFrame, the drawing, and
// PresentFrame. One round of these is one frame.
// Hands back the next pending event (the buttons see mouse events first) and returns true;
// false when none is left. A quit signal comes as a quit event.
bool NextEvent(Event* event);
// Blocks until the next frame time (60 per second) and counts the frame.
void WaitForFrame();
// Sends what was drawn since the last present (the dirty tiles) to the window.
void PresentFrame();
// Update runs a frame in single steps, for loops with nothing between them (tests, benchmarks):
// it hands back the next event and returns 1, or when none is left waits for the frame, calls
// the render callback, presents and returns 0.
void SetRenderCallback(void (*render)());
int Update(Event* event);
// True when a quit signal arrived or a quit event (the window's close box) waits in the queue;
// consumes nothing, so NextEvent still hands the quit over. Cheap enough to call from inside a long
// computation: it asks the display for new events at most every 50 ms.
bool QuitRequested();
// The canvas view (the rows below the panel band; the band always stays as it is). It starts
// fitted to the window; it can be zoomed in step by step to 1:1 and on to 2:1 and 4:1, and
// panned. The window shows the change at the end of the frame.
// Zooms `steps` levels in (positive) or out, about the pointer when it is over the canvas, about
// the middle of the canvas area otherwise.
void ZoomView(int steps);
// Moves the picture by (dx, dy) window pixels, as a drag does; it stops at the canvas's edges.
void PanView(int dx, int dy);
// Back to the whole canvas fitted to the window.
void FitToWindow();
void VideoInfo();
void AudioInfo();
// Closes the window and SDL.
void Quit();

}  // namespace CRM32Pro_Main

// ---- Frame timer -----------------------------------------------------------------------------
namespace CRM32Pro_ITimeSystem {
// Starts the frame pacing (60 frames per second) and the statistics.
void Init();
// The real frame rate measured over the last second, in frames per second.
int GetCurrentRFR();
// Logs run time, frames rendered, average and last real frame rate, and the present cost.
void Info();
}  // namespace CRM32Pro_ITimeSystem

namespace CRM32Pro_ICursor {
void Info();
}

// ---- Buttons ---------------------------------------------------------------------------------
// Push buttons read STATE_ON while held down (and for one poll after a click shorter than a
// frame); toggles flip on each click and read STATE_ON when on, STATE_OFF when off.
namespace CRM32Pro_IButton {
// The two state values.
constexpr int STATE_OFF = 1;
constexpr int STATE_ON = 4;
// Creates a button from the image `name` in `package`; its kind (push or toggle) comes from the
// package. Always returns a usable id: a missing image leaves the button undrawn and unclickable.
int Load(const char* package, const char* name);
void SetPosition(int id, std::int16_t x, std::int16_t y);
int GetState(int id);
// STATE_OFF or STATE_ON; a push button set on reads pressed until the next mouse event on it.
void SetState(int id, int state);
// True while a push button reads pressed only for a click whose mouse-up has come already (down
// and up within one frame): nothing will let go of it later.
bool ClickEnded(int id);
// Draw draws the buttons whose look changed since the last draw and returns how many it drew;
// ForceDraw marks all as changed.
int Draw();
void ForceDraw();
void RemoveAll();
}  // namespace CRM32Pro_IButton

// ---- Font ------------------------------------------------------------------------------------
class CRM32Pro_CFont {
public:
    CRM32Pro_CFont();
    ~CRM32Pro_CFont();
    CRM32Pro_CFont(const CRM32Pro_CFont&) = delete;
    CRM32Pro_CFont& operator=(const CRM32Pro_CFont&) = delete;
    // Loads the TrueType entry `name` of `package` and rasterises its glyphs once. Nonzero on
    // success; on failure logs one line and PutString draws nothing.
    int Load(const char* package, const char* name);
    // Draws `text` with its top-left corner at (x, y); `clip` is unused and may be null.
    void PutString(SDL_Surface* surface, std::int16_t x, std::int16_t y, const char* text,
                   const void* clip);
    // Width in pixels that PutString would cover.
    int TextWidth(const char* text) const;

private:
    struct Glyphs;
    Glyphs* glyphs_ = nullptr;
};

// ---- Primitives ------------------------------------------------------------------------------
// All clip to the surface: a coordinate outside it draws nothing. A null surface draws nothing.
namespace CRM32Pro_IPrimitives {
void PutPixelRGBA(SDL_Surface* surface, std::int16_t x, std::int16_t y, std::uint8_t r,
                  std::uint8_t g, std::uint8_t b, std::uint8_t a, int blend);
// Asks for the memory that a PutPixelRGBA at (x, y) of the window's canvas area will touch, so
// that it can arrive before the call; draws nothing, and does nothing on other surfaces.
void PrefetchPixel(SDL_Surface* surface, std::int16_t x, std::int16_t y);
// Fills the rectangle from (x1, y1) to (x2, y2), far corner excluded, with `color`.
void BoxColor(SDL_Surface* surface, std::int16_t x1, std::int16_t y1, std::int16_t x2,
              std::int16_t y2, std::uint32_t color);
// A vertical line from y1 to y2, both included.
void VLineRGBA(SDL_Surface* surface, std::int16_t x, std::int16_t y1, std::int16_t y2,
               std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);
}  // namespace CRM32Pro_IPrimitives
