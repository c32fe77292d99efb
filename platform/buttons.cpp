// SPDX-License-Identifier: MIT
// Buttons: images from the package (push buttons with up/down states, toggles with off/on), the
// mouse handling Update feeds them, polled states, and drawing only what changed. The package's
// "manifest" entry says which kind each image is, so nothing here knows image names.
#include <map>
#include <memory>
#include <sstream>

#include "platform/internal.h"
#include "platform/platform.h"

namespace {

// A decoded button image: `states` frames of equal height stacked top to bottom (frame 0: up or
// off, frame 1: down or on).
struct ButtonImage {
    platform::Image pixels;
    bool toggle = false;
    int states = 1;
    int frame_h = 0;
};

struct Button {
    std::shared_ptr<const ButtonImage> image;  // null: missing, so undrawn and unclickable
    int x = 0, y = 0;
    bool on = false;      // toggle: on; push: set to pressed by SetState
    bool armed = false;   // push: the left mouse button went down on it and is still down
    bool inside = false;  // push: the pointer is over it while armed
    std::uint64_t press_frame = 0;
    std::uint64_t latch_until = 0;  // a click within one frame reads pressed through this frame
    bool latched = false;
    int drawn_look = -1;  // frame index last drawn, -1 before the first draw
    bool force = false;   // ForceDraw asked for a redraw
};

// Every button Load created; the id is the index.
std::vector<Button> buttons;
// Decoded images by package and name, failures included (null), so a missing image is decoded
// and logged once however many buttons use it.
std::map<std::string, std::shared_ptr<const ButtonImage>> image_cache;

// Finds the kind and state count of `name` in the package's manifest; false when it is not listed.
bool LookUpManifest(const char* package, const char* name, ButtonImage& image, std::string& error) {
    platform::ButtonKind kind;
    if (!platform::LookUpButton(package, name, kind, error)) return false;
    image.toggle = kind.toggle;
    image.states = kind.states;
    return true;
}

std::shared_ptr<const ButtonImage> LoadImage(const char* package, const char* name) {
    const std::string key = std::string(package ? package : "") + '\n' + (name ? name : "");
    if (auto found = image_cache.find(key); found != image_cache.end()) return found->second;
    auto image = std::make_shared<ButtonImage>();
    std::string error;
    bool ok = platform::ReadButtonImage(package, name, image->pixels, error) &&
              LookUpManifest(package, name, *image, error);
    if (ok && image->pixels.h < image->states) {
        error = "image shorter than its state count";
        ok = false;
    }
    if (ok && image->pixels.h / image->states > platform::MAX_BUTTON_SIDE) {
        error = "image states higher than " + std::to_string(platform::MAX_BUTTON_SIDE) + " pixels";
        ok = false;
    }
    if (ok) {
        image->frame_h = image->pixels.h / image->states;
    } else {
        CRM32Pro_ILogSystem::Msg("button image '%s' from '%s' unusable: %s", name ? name : "",
                                 package ? package : "", error.c_str());
        image.reset();
    }
    return image_cache[key] = image;
}

Button* Find(int id) {
    return id >= 0 && id < static_cast<int>(buttons.size()) ? &buttons[id] : nullptr;
}

bool Contains(const Button& b, int x, int y) {
    return b.image && x >= b.x && y >= b.y && x < b.x + b.image->pixels.w &&
           y < b.y + b.image->frame_h;
}

bool Pressed(const Button& b) {
    if (b.image && b.image->toggle) return b.on;
    return b.on || (b.armed && b.inside) || (b.latched && platform::frame_count <= b.latch_until);
}

void Press(Button& b) {
    if (b.image->toggle) {
        b.on = !b.on;
        return;
    }
    b.armed = b.inside = true;
    b.press_frame = platform::frame_count;
}

void Release(Button& b) {
    // Down and up within one pump: no poll has seen it yet, so it reads pressed for the next one.
    if (b.armed && b.inside && b.press_frame == platform::frame_count) {
        b.latched = true;
        b.latch_until = platform::frame_count + 1;
    }
    b.armed = b.inside = false;
}

// The image is blended over black, so that a look drawn over the other one shows no trace of it.
void Blit(const Button& b, int frame) {
    const platform::Image& pixels = b.image->pixels;
    CRM32Pro_IPrimitives::BoxColor(CRM32Pro_Main::screen, static_cast<std::int16_t>(b.x),
                                   static_cast<std::int16_t>(b.y),
                                   static_cast<std::int16_t>(b.x + pixels.w),
                                   static_cast<std::int16_t>(b.y + b.image->frame_h), 0);
    const std::uint8_t* first = pixels.rgba.data() + frame * b.image->frame_h * pixels.w * 4;
    platform::BlitRgba(CRM32Pro_Main::screen, b.x, b.y, first, pixels.w, b.image->frame_h,
                       pixels.w * 4);
}

}  // namespace

namespace platform {

void ButtonsHandleMouse(const SDL_Event& event) {
    const bool motion = event.type == SDL_MOUSEMOTION;
    if (!motion && event.button.button != SDL_BUTTON_LEFT) return;
    const int x = motion ? event.motion.x : event.button.x;
    const int y = motion ? event.motion.y : event.button.y;
    for (Button& b : buttons) {
        const bool over = Contains(b, x, y);
        // SetState's pressed reading lasts until the mouse next does something on the button.
        if (over && !b.image->toggle) b.on = false;
        if (event.type == SDL_MOUSEBUTTONDOWN && over) Press(b);
        if (event.type == SDL_MOUSEBUTTONUP) Release(b);
        if (motion && b.armed) b.inside = over;
    }
}

}  // namespace platform

namespace CRM32Pro_IButton {

int Load(const char* package, const char* name) {
    Button b;
    b.image = LoadImage(package, name);
    buttons.push_back(b);
    return static_cast<int>(buttons.size()) - 1;
}

void SetPosition(int id, std::int16_t x, std::int16_t y) {
    if (Button* b = Find(id)) {
        b->x = x;
        b->y = y;
        b->drawn_look = -1;
    }
}

int GetState(int id) {
    const Button* b = Find(id);
    return b && Pressed(*b) ? STATE_ON : STATE_OFF;
}

bool ClickEnded(int id) {
    const Button* b = Find(id);
    return b && Pressed(*b) && !b->on && !b->armed;
}

void SetState(int id, int state) {
    Button* b = Find(id);
    if (!b) return;
    b->on = state == STATE_ON;
    if (!b->on) b->latched = false;
}

int Draw() {
    if (!CRM32Pro_Main::screen) return 0;
    int drawn = 0;
    for (Button& b : buttons) {
        if (!b.image) continue;
        const int look = Pressed(b) ? std::min(1, b.image->states - 1) : 0;
        if (look == b.drawn_look && !b.force) continue;
        Blit(b, look);
        b.drawn_look = look;
        b.force = false;
        ++drawn;
    }
    return drawn;
}

void ForceDraw() {
    for (Button& b : buttons) b.force = true;
}

void RemoveAll() {
    buttons.clear();
    image_cache.clear();
}

}  // namespace CRM32Pro_IButton
