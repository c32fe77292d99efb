// SPDX-License-Identifier: MIT
// The panel band, drawn where it changed: the whole band (black box, then the settings face of
// labels, values, separators, toggle labels and buttons, or the save-defaults question, then any
// message) when the face changes or a message goes, and otherwise only the value slots whose text
// changed, the buttons whose look changed and a message that appeared or changed. Start reading
// at DrawPanel.
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <span>
#include <system_error>
#include <variant>

#include "engine/settings.h"
#include "panel/panel.h"
#include "platform/platform.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int COLUMN_WIDTH = 80;
constexpr int SEPARATOR_X = 73;  // within a column
constexpr int VALUE_X = 20;      // within a column
// The value's slot ends where the more button starts (60 px into the column).
constexpr int VALUE_WIDTH = 40;
constexpr int UPPER_LABEL_Y = 0, UPPER_VALUE_Y = 16;
constexpr int LOWER_LABEL_Y = 38, LOWER_VALUE_Y = 54;

// The toggle labels of the sixth column.
struct Label {
    const char* text;
    short x, y;
};
const Label toggle_labels[] = {
    {"white", 400, 3},
    {"sprouts", 400, 17},
    {"pixel fill", 400, 37},
    {"pause", 400, 54},
};

// A message covers the lower row of the five setting columns, the part of the band least needed
// while it shows, with a black strip so that it reads cleanly over the settings face.
constexpr short MESSAGE_LEFT = 0, MESSAGE_TOP = 38;
constexpr short MESSAGE_RIGHT = 5 * COLUMN_WIDTH - 7, MESSAGE_BOTTOM = 72;
constexpr short MESSAGE_TEXT_X = 3, MESSAGE_TEXT_Y = 50;

// The value's slot is cleared this many rows down from its text's top before a new value is drawn.
constexpr int VALUE_ROWS = 16;

char message[128];
Clock::time_point message_until;

// What the band shows now, so that a frame draws only what differs.
enum class Face { None, Settings, Question };
struct Shown {
    bool valid = false;  // false: the next DrawPanel draws the whole band
    Face face = Face::None;
    char values[10][sizeof chr] = {};
    bool message_shown = false;
    char message_text[sizeof message] = {};
};
Shown shown;

// Shortens `text` from its end until the font draws it within `width` pixels.
void CutToWidth(char* text, int width) {
    if (!fFont) return;
    std::size_t length = std::strlen(text);
    while (length > 0 && fFont->TextWidth(text) > width) text[--length] = '\0';
}

void DrawText(int x, int y, const char* text) {
    if (fFont) {
        fFont->PutString(CRM32Pro_Main::screen, static_cast<std::int16_t>(x),
                         static_cast<std::int16_t>(y), text, nullptr);
    }
}

// Writes `v` into [first, last) in fixed notation with `decimals` decimals; when that does not fit,
// in the short scientific form, which always does (at most "-3.403e+38" for a float). Returns the
// end of the text.
char* WriteReal(char* first, char* last, double v, int decimals) {
    std::to_chars_result r = std::to_chars(first, last, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc{}) r = std::to_chars(first, last, v, std::chars_format::scientific, 3);
    return r.ptr;
}

// Pair `pair`'s value slot: its text's top-left corner.
int SlotX(int pair) {
    return pair / 2 * COLUMN_WIDTH + VALUE_X;
}
int SlotY(int pair) {
    return pair % 2 == 0 ? UPPER_VALUE_Y : LOWER_VALUE_Y;
}

// Writes pair `pair`'s value text as the slot shows it into chr: cut to the slot, so that a value
// read from the file that is wider than its slot never runs under the more button.
void SlotText(int pair) {
    WriteValueText(pair);
    CutToWidth(chr, VALUE_WIDTH);
}

void DrawSettingsFace() {
    const std::span<const SettingRow> pairs = PanelSettingRows();
    for (int pair = 0; pair < 10; ++pair) {
        const int x = pair / 2 * COLUMN_WIDTH;
        SlotText(pair);
        std::memcpy(shown.values[pair], chr, sizeof chr);
        DrawText(x, pair % 2 == 0 ? UPPER_LABEL_Y : LOWER_LABEL_Y, pairs[pair].panel.label);
        DrawText(SlotX(pair), SlotY(pair), chr);
        if (pair % 2 == 0)
            CRM32Pro_IPrimitives::VLineRGBA(
                CRM32Pro_Main::screen, static_cast<std::int16_t>(x + SEPARATOR_X), 0,
                static_cast<std::int16_t>(vertical_padding - 1), 255, 255, 255, 255);
    }
    for (const Label& l : toggle_labels) DrawText(l.x, l.y, l.text);
    CRM32Pro_IButton::ForceDraw();
    CRM32Pro_IButton::Draw();
}

void DrawMessage() {
    CRM32Pro_IPrimitives::BoxColor(CRM32Pro_Main::screen, MESSAGE_LEFT, MESSAGE_TOP, MESSAGE_RIGHT,
                                   MESSAGE_BOTTOM, 0);
    DrawText(MESSAGE_TEXT_X, MESSAGE_TEXT_Y, message);
    std::memcpy(shown.message_text, message, sizeof message);
}

// The whole band as `face` shows it, with the message when `message_on`.
void DrawBand(Face face, bool message_on) {
    CRM32Pro_IPrimitives::BoxColor(CRM32Pro_Main::screen, 0, 0, static_cast<std::int16_t>(xs),
                                   static_cast<std::int16_t>(vertical_padding), 0);
    if (face == Face::Question) DrawText(3, 3, "save default settings? Y/N");
    if (face == Face::Settings) DrawSettingsFace();
    if (message_on) DrawMessage();
    shown.valid = true;
    shown.face = face;
    shown.message_shown = message_on;
}

// The value slots whose text changed, then the buttons whose look changed. A message covers the
// lower row: its slots wait for the message to go (the whole band is drawn then), and a button
// drawn over the message's strip has the message drawn again over it.
void DrawChangedSettings(bool message_on) {
    for (int pair = 0; pair < 10; ++pair) {
        if (message_on && pair % 2 == 1) continue;
        SlotText(pair);
        if (std::strcmp(chr, shown.values[pair]) == 0) continue;
        std::memcpy(shown.values[pair], chr, sizeof chr);
        const int x = SlotX(pair), y = SlotY(pair);
        CRM32Pro_IPrimitives::BoxColor(CRM32Pro_Main::screen, static_cast<std::int16_t>(x),
                                       static_cast<std::int16_t>(y),
                                       static_cast<std::int16_t>(x + VALUE_WIDTH),
                                       static_cast<std::int16_t>(y + VALUE_ROWS), 0);
        DrawText(x, y, chr);
    }
    if (CRM32Pro_IButton::Draw() > 0 && message_on) DrawMessage();
}

}  // namespace

// The value texts are locale independent (to_chars). The start angle is truncated in double
// rather than converted to int, so a huge, infinite or NaN value from the settings file has a
// defined text; adding 0.0 turns the -0 of a small negative angle into 0.
void WriteValueText(int pair) {
    const SettingRow& row = PanelSettingRows()[pair];
    char* const last = chr + sizeof chr - 1;  // room for the terminating zero
    char* end = chr;
    if (int* const* i = std::get_if<int*>(&row.target)) {
        end = std::to_chars(chr, last, **i).ptr;  // at most 11 characters
    } else {
        const double v = *std::get<float*>(row.target);
        if (row.panel.format == ValueFormat::Truncated) {
            end = WriteReal(chr, last, std::trunc(v) + 0.0, 0);
        } else {
            end = WriteReal(chr, last, v, 3);
        }
    }
    *end = '\0';
}

void DrawPanel() {
    const Face face = !display_GUI ? Face::None : save_defaults ? Face::Question : Face::Settings;
    const bool message_on = display_GUI && message[0] != '\0' && Clock::now() < message_until;
    // A message that goes uncovers the face under it: the whole band again.
    if (!shown.valid || face != shown.face || (shown.message_shown && !message_on)) {
        DrawBand(face, message_on);
        return;
    }
    if (message_on && (!shown.message_shown || std::strcmp(message, shown.message_text) != 0)) {
        DrawMessage();
        shown.message_shown = true;
    }
    if (face == Face::Settings) DrawChangedSettings(message_on);
}

void RedrawPanel() {
    shown.valid = false;
}

// The message is cut to the strip's width, so that a long reason never runs into the toggles.
void ShowPanelMessageFor(const char* text, int milliseconds) {
    std::strncpy(message, text ? text : "", sizeof message - 1);
    message[sizeof message - 1] = '\0';
    CutToWidth(message, MESSAGE_RIGHT - MESSAGE_TEXT_X);
    message_until = Clock::now() + std::chrono::milliseconds(milliseconds);
}

void ShowPanelMessage(const char* text) {
    ShowPanelMessageFor(text, 3000);
}
