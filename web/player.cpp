// SPDX-License-Identifier: MIT
// The web page's engine: a session's journal played frame by frame into an RGBA picture that the
// page's script (web/page.js) puts on its canvas. The frames are the engine's own CanvasFrame and
// the changes are applied by journal::ApplyEvent, as the renderer's replay applies them, so the
// page grows the same canvas sample for sample. Start at mv_load, then mv_step.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "engine/canvas.h"
#include "engine/fingerprint.h"
#include "engine/frame.h"
#include "engine/journal.h"
#include "engine/random.h"
#include "engine/settings.h"

namespace {

// The picture as the page shows it: opaque grey v / 256, row by row.
std::uint32_t pixels[GRID_SIZE * GRID_SIZE];
std::int64_t lit = 0;
// The rows and columns changed since the page last asked: x0, y0, x1, y1 (empty when x0 > x1).
int dirty[4] = {0, 0, -1, -1};

std::vector<journal::Entry> entries;
std::size_t next_entry = 0;
std::uint64_t frames = 0;
bool fill_from_start = false;
std::string text_out;

void Touch(int x0, int y0, int x1, int y1) {
    if (dirty[0] > dirty[2]) {
        dirty[0] = x0, dirty[1] = y0, dirty[2] = x1, dirty[3] = y1;
        return;
    }
    dirty[0] = std::min(dirty[0], x0);
    dirty[1] = std::min(dirty[1], y0);
    dirty[2] = std::max(dirty[2], x1);
    dirty[3] = std::max(dirty[3], y1);
}

void ShowOnPage(int x, int y, int v) {
    const auto grey = static_cast<std::uint32_t>((v / 256) & 255);
    pixels[static_cast<std::size_t>(y) * xs + x] = 0xFF000000u | grey * 0x010101u;
    if (v > 0) ++lit;
    Touch(x, y, x, y);
}

void ClearPage() {
    std::fill_n(pixels, static_cast<std::size_t>(xs) * ys, 0xFF000000u);
    lit = 0;
    Touch(0, 0, xs - 1, ys - 1);
}

// A journal the renderer checked can still have been edited inside the page: whatever it says,
// the canvas stays within the grids, every setting it names exists and every value is exact.
bool Playable(const std::vector<journal::Entry>& list) {
    if (list.empty() || list[0].kind != journal::Kind::Start) return false;
    const auto size_ok = [](int v) { return v >= 512 && v <= GRID_SIZE; };
    if (!size_ok(list[0].width) || !size_ok(list[0].height)) return false;
    for (std::size_t i = 1; i < list.size(); ++i) {
        const journal::Entry& e = list[i];
        if (e.kind == journal::Kind::Start || e.kind == journal::Kind::Lost) return false;
        if (e.kind != journal::Kind::Set) continue;
        // A value is taken only as the journal writes it; mv_restart resets what this sets.
        const SettingRow* row = journal::FindSetting(e.name);
        if (!row || !journal::ApplySetting(*row, e)) return false;
        const bool size = row->target == SettingTarget(&xs) || row->target == SettingTarget(&ys);
        const int wanted = row->target == SettingTarget(&xs) ? list[0].width : list[0].height;
        if (size && e.value != std::to_string(wanted)) return false;
    }
    return true;
}

// The panel's text of a setting's value.
std::string PanelValue(const SettingRow& row) {
    char text[48];
    if (const int* const* i = std::get_if<int*>(&row.target)) {
        std::snprintf(text, sizeof text, "%d", **i);
    } else {
        const float v = *std::get<float*>(row.target);
        if (row.panel.format == ValueFormat::Truncated)
            std::snprintf(text, sizeof text, "%d", static_cast<int>(v));
        else
            std::snprintf(text, sizeof text, "%.3f", static_cast<double>(v));
    }
    return text;
}

}  // namespace

extern "C" {

// Reads the journal lines of `text` (as a PNG's morvane:journal chunk holds them); with `fill`,
// pixel fill is on from the first growth, as the renderer's --fill-holes has it. 0 when the text
// is not a journal the page can play.
int mv_load(const char* text, int fill) {
    std::vector<journal::Entry> list;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const auto e = journal::ParseLogLine(line);
        if (!e) return 0;
        list.push_back(*e);
    }
    if (!Playable(list)) return 0;
    entries = std::move(list);
    fill_from_start = fill != 0;
    return 1;
}

// The session's state before its first frame: the settings at their defaults, the canvas to be
// cleared, the generator seeded, the flags off.
void mv_restart() {
    ResetSettings();
    SetCanvasSize(entries[0].width, entries[0].height);
    CanvasView page;
    page.show_pixel = ShowOnPage;
    page.clear = ClearPage;
    StartSessionState(entries[0].seed, page);
    ClearPage();
    if (fill_from_start) {
        RestartClear();
        SetFill(true);
    }
    next_entry = 1;
    frames = 0;
}

// Runs one frame: the changes recorded before it first, and a frame that a quit cut short with
// the attempts it made live.
void mv_step() {
    long limit = -1;
    while (next_entry < entries.size() && entries[next_entry].frame <= frames) {
        const journal::Entry& e = entries[next_entry++];
        if (e.kind == journal::Kind::Cut) {
            limit = static_cast<long>(e.attempts);
            break;
        }
        journal::ApplyEvent(e);
    }
    CanvasFrame(limit);
    ++frames;
}

double mv_frames() {
    return static_cast<double>(frames);
}
double mv_lit() {
    return static_cast<double>(lit);
}
int mv_width() {
    return xs;
}
int mv_height() {
    return ys;
}
std::uint32_t* mv_pixels() {
    return pixels;
}
// The changed rectangle since the last call, then none.
int* mv_dirty() {
    static int taken[4];
    std::copy(dirty, dirty + 4, taken);
    dirty[0] = 0, dirty[1] = 0, dirty[2] = -1, dirty[3] = -1;
    return taken;
}
const char* mv_fingerprint() {
    text_out = FingerprintText(CanvasFingerprint());
    return text_out.c_str();
}
// What the panel would show, a line each: "seed", then the ten settings, then the three
// toggles, as "label\tvalue".
const char* mv_state() {
    text_out = "seed\t" + std::to_string(entries[0].seed) + "\n";
    for (const SettingRow& row : PanelSettingRows())
        text_out += std::string(row.panel.label) + "\t" + PanelValue(row) + "\n";
    text_out += std::string("white sprouts\t") + (white_sprouts ? "on" : "off") + "\n";
    text_out += std::string("pixel fill\t") + (do_fill ? "on" : "off") + "\n";
    text_out += std::string("pause\t") + (paused ? "on" : "off") + "\n";
    return text_out.c_str();
}

}  // extern "C"
