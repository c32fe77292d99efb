// SPDX-License-Identifier: MIT
// Stepping back and forward in the window. The engine keeps the canvas's past (CanvasPast); a
// step only changes what the window shows, the canvas as an earlier frame left it, so that `]`
// can come forward again along the same past. Growing on from there (resuming, or a save) makes
// the engine's state that frame's, and the journal says so; a restart leaves the past behind.
#include <cstdio>
#include <optional>
#include <string>

#include "app/app.h"
#include "app/journal.h"
#include "engine/canvas.h"
#include "engine/checkpoint.h"
#include "engine/frame.h"
#include "engine/journal.h"
#include "engine/settings.h"
#include "panel/panel.h"
#include "platform/platform.h"

namespace {

// One press steps a second of growth: the window renders 60 frames a second.
constexpr std::size_t STEP_FRAMES = 60;
constexpr double FRAMES_PER_SECOND = 60.0;
// How long the panel says where the window is after a step.
constexpr int STEP_MESSAGE_MS = 4000;

CanvasPast past;
// The mark the window shows, while it shows the past; none while it shows the present.
std::optional<std::size_t> shown_mark;

std::size_t LastMark() {
    return past.Marks() - 1;
}

// Shows the pixels drawn between two marks with their values, or empty. They lie all over a
// large canvas, so the window's memory for each is asked for a few pixels ahead, as the growth
// pass shows its pixels.
void ShowDrawn(std::size_t from, std::size_t to, bool values) {
    constexpr std::size_t AHEAD = 8;
    past.Drawn(from, to, [values](std::span<const std::uint32_t> drawn) {
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            if (i + AHEAD < drawn.size()) {
                const std::uint32_t next = drawn[i + AHEAD];
                const int nx = CanvasPast::PixelX(next), ny = CanvasPast::PixelY(next);
                PrefetchPixelOnWindow(nx, ny);
                if (values) __builtin_prefetch(&arr[nx][ny]);
            }
            const int x = CanvasPast::PixelX(drawn[i]), y = CanvasPast::PixelY(drawn[i]);
            ShowPixelOnWindow(x, y, values ? arr[x][y] : 0);
        }
    });
}

// The whole canvas from the grids: a save's filled pixels, which the grids do not hold, go.
void RepaintCanvas() {
    ClearWindow();
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y)
            if (arr[x][y] != 0) ShowPixelOnWindow(x, y, arr[x][y]);
}

// Says in the panel how far back the window is, and in the log which frame it shows.
void SayWhere(std::size_t mark, const char* note) {
    const double seconds = static_cast<double>(LastMark() - mark) / FRAMES_PER_SECOND;
    char text[96];
    std::snprintf(text, sizeof text, "-%.1f s%s", seconds, note);
    ShowPanelMessageFor(text, STEP_MESSAGE_MS);
    CRM32Pro_ILogSystem::Msg("the window shows frame %llu (%s)",
                             static_cast<unsigned long long>(past.Mark(mark).frame), text);
}

}  // namespace

void StartTimeline() {
    past.Record();
}

void TimelineFrameDone(std::uint64_t frame) {
    past.FrameDone(frame);
}

bool TimelineApplyBack(const journal::Entry& e) {
    return journal::ApplyBack(past, e);
}

void ShowWholeCanvas() {
    RepaintCanvas();
}

void StepBackCommand() {
    if (past.Marks() == 0 || RestartPending()) return;
    const std::size_t from = shown_mark.value_or(LastMark());
    const char* oldest = past.ReachesRestart() ? ": the last restart" : ": the oldest moment kept";
    if (from == 0) {
        SayWhere(0, (std::string(oldest) + ", no further back").c_str());
        return;
    }
    const std::size_t to = from > STEP_FRAMES ? from - STEP_FRAMES : 0;
    if (!shown_mark && WindowShowsFill()) RepaintCanvas();
    ForgetSaveFill();
    ShowDrawn(to, from, false);
    shown_mark = to;
    // The moment stays on the window until the user grows on from it.
    SetPaused(true);
    SetToggle(panel_buttons.pause, 1);
    SayWhere(to, to == 0 ? oldest : ": ] forward, P grows on from here");
}

void StepForwardCommand() {
    if (!shown_mark) return;
    const std::size_t from = *shown_mark;
    const std::size_t to = from + STEP_FRAMES < LastMark() ? from + STEP_FRAMES : LastMark();
    ShowDrawn(from, to, true);
    shown_mark = to;
    if (to < LastMark()) {
        SayWhere(to, ": ] forward, P grows on from here");
        return;
    }
    shown_mark.reset();
    ShowPanelMessageFor("back at the present", STEP_MESSAGE_MS);
}

void GrowOnFromShownMoment() {
    if (!shown_mark) return;
    JournalBack(past.Mark(*shown_mark).frame);
    past.Restore(*shown_mark, false);
    shown_mark.reset();
}

void TimelineBeforeFrame() {
    if (!shown_mark) return;
    // A restart clears the canvas anyway: the moment shown is left as it is.
    if (RestartPending())
        shown_mark.reset();
    else if (paused == 0)
        GrowOnFromShownMoment();
}

std::size_t TimelineBytes() {
    return past.Bytes();
}
