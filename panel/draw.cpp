// The panel band drawn at the start of every frame: black box, then the settings face (labels,
// values, separators, toggle labels, buttons) or the save-defaults question, then any message.
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

char message[128];
Clock::time_point message_until;

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

void DrawSettingsFace() {
    for (int k = 0; k < 5; ++k) {
        const int x = k * COLUMN_WIDTH;
        const std::span<const SettingRow> pairs = PanelSettingRows();
        // A value read from the file can be wider than its slot: its text is cut there, so that
        // it never runs under the more button.
        WriteValueText(2 * k);
        CutToWidth(chr, VALUE_WIDTH);
        DrawText(x, UPPER_LABEL_Y, pairs[2 * k].panel.label);
        DrawText(x + VALUE_X, UPPER_VALUE_Y, chr);
        WriteValueText(2 * k + 1);
        CutToWidth(chr, VALUE_WIDTH);
        DrawText(x, LOWER_LABEL_Y, pairs[2 * k + 1].panel.label);
        DrawText(x + VALUE_X, LOWER_VALUE_Y, chr);
        CRM32Pro_IPrimitives::VLineRGBA(
            CRM32Pro_Main::screen, static_cast<std::int16_t>(x + SEPARATOR_X), 0,
            static_cast<std::int16_t>(vertical_padding - 1), 255, 255, 255, 255);
    }
    for (const Label& l : toggle_labels) DrawText(l.x, l.y, l.text);
    CRM32Pro_IButton::ForceDraw();
    CRM32Pro_IButton::Draw();
}

void DrawMessage() {
    if (message[0] == '\0' || Clock::now() >= message_until) return;
    CRM32Pro_IPrimitives::BoxColor(CRM32Pro_Main::screen, MESSAGE_LEFT, MESSAGE_TOP, MESSAGE_RIGHT,
                                   MESSAGE_BOTTOM, 0);
    DrawText(MESSAGE_TEXT_X, MESSAGE_TEXT_Y, message);
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
    CRM32Pro_IPrimitives::BoxColor(CRM32Pro_Main::screen, 0, 0, static_cast<std::int16_t>(xs),
                                   static_cast<std::int16_t>(vertical_padding), 0);
    if (!display_GUI) return;
    if (save_defaults) {
        DrawText(3, 3, "save default settings? Y/N");
    } else {
        DrawSettingsFace();
    }
    DrawMessage();
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
