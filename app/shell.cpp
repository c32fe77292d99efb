// SPDX-License-Identifier: MIT
// The shell's glue between the engine, the panel and the window: the frame's drawing, the window
// view of the canvas, and the save commands: each save runs on its saver's worker, and the frame
// shows its progress and then its result (a failure is logged too).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "app/history.h"
#include "app/journal.h"
#include "app/saving.h"
#include "config/numbered_path.h"
#include "config/settings_writer.h"
#include "engine/frame.h"
#include "engine/settings.h"
#include "export/export.h"
#include "panel/panel.h"
#include "platform/platform.h"

namespace {

// Longest reason shown in the panel band: the band is 512 px wide at its smallest.
constexpr std::size_t PANEL_REASON_CHARS = 48;
// How long the panel names the settings file's problems at start.
constexpr int SETTINGS_PROBLEMS_MS = 6000;
// A save's progress is shown again every frame; this keeps it up between two.
constexpr int PROGRESS_MS = 500;
// How long a frame spends showing a save's filled pixels, at most, and how many rows of them it
// shows between two looks at the clock: a save of a large, sparse canvas fills millions, which
// shown at once would hold up the frame that ends it for a tenth of a second.
constexpr auto FILLED_BUDGET = std::chrono::milliseconds(3);
constexpr int FILLED_ROWS_BETWEEN_CLOCKS = 16;

// Whether the canvas on the window has been drawn on since the window opened black or was last
// cleared: a clear of a canvas still black would only read and rewrite the whole window.
bool window_drawn = false;

// How often the window has stopped showing the canvas a save's snapshot was taken of (a restart
// clear, a step back): a save's filled pixels belong to that canvas and are not shown after.
unsigned long canvas_clears = 0;
// The window shows filled pixels of a save, which the grids do not hold.
bool fill_on_window = false;

// The panel shows only the last part of the reason (the system's words, without the path), cut
// to fit the band; the log has it whole.
std::string PanelReason(const std::string& reason) {
    const auto colon = reason.rfind(": ");
    std::string text = colon == std::string::npos ? reason : reason.substr(colon + 2);
    if (text.size() > PANEL_REASON_CHARS) text = text.substr(0, PANEL_REASON_CHARS - 3) + "...";
    return text;
}

// The file's name without its folders, for the panel.
std::string FileName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Logs a failed save with `what` (the log line's start) and shows it in the panel; a save that
// worked is named in the panel.
bool Report(const SaveResult& result, const char* what, const std::string& path) {
    if (result.saved) {
        if (!result.reason.empty())
            CRM32Pro_ILogSystem::Msg("%s %s: %s", what, path.c_str(), result.reason.c_str());
        ShowPanelMessage(("saved " + FileName(path)).c_str());
        return true;
    }
    CRM32Pro_ILogSystem::Msg("could not %s %s: %s", what, path.c_str(), result.reason.c_str());
    ShowPanelMessage(("save failed: " + PanelReason(result.reason)).c_str());
    return false;
}

// A kind of save: its worker and the words the log uses for it.
// While a save runs, the frames rendered and the longest time between two of them are counted,
// so that the log says how well the window kept going.
// A save asked for while one of its kind runs starts once that one has ended, made from what is
// there then (asked for again meanwhile, it still starts once): so the canvas is never copied
// for a save that waits, and only one copy is held at a time. A kind may also hold its save
// back until it is ready for it (the image saves, until their snapshot buffer is made).
struct Saver {
    BackgroundSaver worker;
    const char* what;
    // Whether a save may start now, readying it when not; null: always.
    bool (*ready)() = nullptr;
    long frames = 0;
    std::chrono::steady_clock::duration longest_gap{};
    std::function<SaveTask()> starting{};  // the save to start once the kind is ready
    bool after_save = false;               // that one waited for a save before it
    std::function<SaveTask()> next{};      // the save that waits for the one before it
};
SnapshotBuffers snapshot_buffers;
// The image saver is ready once the memory of its snapshot is made.
bool SnapshotBufferReady() {
    snapshot_buffers.Prepare(SnapshotNeedsNow());
    return snapshot_buffers.Ready();
}
Saver image_saver{{}, "save image", SnapshotBufferReady};
Saver settings_saver{{}, "save the settings to"};
std::chrono::steady_clock::time_point last_frame;

// The snapshot of the last image save whose filled pixels are still to be shown, a slice of rows
// a frame: they are worked out from it again rather than kept from the save (at 4096 they can be
// millions), and it is dropped once they are shown.
struct FilledToShow {
    std::shared_ptr<const CanvasSnapshot> snapshot;
    int next_row = 0;
    unsigned long clears = 0;  // canvas_clears at the save's snapshot
};
FilledToShow filled_to_show;

// The next slice of the filled pixels, as many rows as the frame's budget allows, unless the
// canvas has been cleared since their snapshot.
void ShowFilledSlice() {
    FilledToShow& f = filled_to_show;
    if (!f.snapshot || f.clears != canvas_clears || f.next_row >= f.snapshot->height) {
        f = {};
        return;
    }
    const auto until = std::chrono::steady_clock::now() + FILLED_BUDGET;
    do {
        ShowFilledPixels(*f.snapshot, f.next_row, f.next_row + FILLED_ROWS_BETWEEN_CLOCKS);
        f.next_row += FILLED_ROWS_BETWEEN_CLOCKS;
        fill_on_window = true;
    } while (f.next_row < f.snapshot->height && std::chrono::steady_clock::now() < until);
}

// Makes the save `make` gives and starts it on the saver's worker; `waited` says the log it was
// asked for earlier.
void Start(Saver& saver, const std::function<SaveTask()>& make, bool waited) {
    SaveTask task = make();
    const std::string path = task.path;
    const auto frame = static_cast<unsigned long long>(JournalFrames());
    saver.worker.Start(std::move(task));
    CRM32Pro_ILogSystem::Msg("%s %s %s at frame %llu", saver.what, path.c_str(),
                             waited ? "started after the save before it" : "asked for", frame);
}

// Once nothing runs, moves the save that waits up to starting, and starts that one when its kind
// is ready for it, or at once when `now` (its readying may then hold up the caller).
void Advance(Saver& saver, bool now) {
    if (saver.worker.Running()) return;
    if (!saver.starting && saver.next) {
        saver.starting = std::exchange(saver.next, nullptr);
        saver.after_save = true;
    }
    if (saver.starting && (now || !saver.ready || saver.ready()))
        Start(saver, std::exchange(saver.starting, nullptr),
              std::exchange(saver.after_save, false));
}

// Logs and shows a save that has ended, then starts the one that waits when it can; returns
// whether the ended one wrote its file.
bool Finish(Saver& saver, const FinishedSave& finished) {
    if (finished.task.done) finished.task.done(finished.result);
    const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(saver.longest_gap);
    CRM32Pro_ILogSystem::Msg("%s %s ended: %ld frames while it ran, longest frame gap %ld ms",
                             saver.what, finished.task.path.c_str(), saver.frames,
                             static_cast<long>(gap.count()));
    saver.frames = 0;
    saver.longest_gap = {};
    const bool saved = Report(finished.result, saver.what, finished.task.path);
    Advance(saver, false);
    return saved;
}

// Starts the save that `make` gives, of the file `path`, or makes it wait for the running one
// (or for its kind to be ready).
void Request(Saver& saver, const std::string& path, std::function<SaveTask()> make) {
    if (!saver.worker.Running() && !saver.starting) {
        saver.starting = std::move(make);
        Advance(saver, false);
        return;
    }
    if (!saver.next)
        CRM32Pro_ILogSystem::Msg("%s %s asked for at frame %llu, waits for the running save",
                                 saver.what, path.c_str(),
                                 static_cast<unsigned long long>(JournalFrames()));
    saver.next = std::move(make);
    ShowPanelMessageFor("saving... the next save waits for this one", PROGRESS_MS);
}

bool Busy(const Saver& saver) {
    return saver.worker.Running() || saver.starting || saver.next;
}

// Blocks until the saver has nothing left to do; returns whether its last save wrote its file.
bool WaitFor(Saver& saver) {
    bool saved = true;
    while (Busy(saver)) {
        Advance(saver, true);
        saver.worker.Wait();
        if (const auto finished = saver.worker.TakeFinished()) saved = Finish(saver, *finished);
    }
    return saved;
}

// Once a frame: the saves that have ended are reported, a running one shows its progress.
void PollSaves() {
    const auto now = std::chrono::steady_clock::now();
    for (Saver* saver : {&image_saver, &settings_saver}) {
        if (saver->worker.Running()) {
            ++saver->frames;
            saver->longest_gap = std::max(saver->longest_gap, now - last_frame);
        }
        if (const auto finished = saver->worker.TakeFinished()) Finish(*saver, *finished);
        Advance(*saver, false);
        if (!saver->worker.Running()) continue;
        const std::string text = "saving... " + std::to_string(saver->worker.Percent()) + "%";
        ShowPanelMessageFor(text.c_str(), PROGRESS_MS);
    }
    ShowFilledSlice();
    last_frame = now;
}

// The number the next save of a "png file" with a number field tries first.
long next_save_number = 1;

// The canvas now, to be written to the "png file" setting (at its next free number when it has a
// number field) on the image saver's worker. The snapshot and the save's frame are taken here;
// the journal line is written when the save ends.
SaveTask ImageSaveTask() {
    GrowOnFromShownMoment();
    JournalSync();
    SaveTask task;
    std::string taken;
    const std::string path = NextFreePath(file, &next_save_number, taken);
    task.path = path.empty() ? file : path;
    task.frame = JournalFrames();
    std::shared_ptr<CanvasSnapshot> snapshot;
    try {
        if (taken.empty())
            snapshot = std::make_shared<CanvasSnapshot>(TakeSnapshot(snapshot_buffers.Take()));
    } catch (const std::bad_alloc&) {
        // No memory for the copy: the save fails as a save does, logged and shown, and the
        // window goes on.
    }
    // The picture carries the journal up to this save, so that morvane-render from makes it
    // again sample for sample. Once it is in place, the history's thumbnail of it follows,
    // whose failure is not the save's.
    task.write = [snapshot, taken, path = task.path, frame = task.frame, place = ThumbnailPlace(),
                  chunks = ProvenanceChunks(task.path, task.frame)](SaveProgress& progress) {
        if (!taken.empty()) return SaveResult{false, taken};
        if (!snapshot) return SaveResult{false, "not enough memory for a copy of the canvas"};
        SaveResult result = WriteImage(path, *snapshot, chunks, &progress);
        if (result.saved && place) WriteThumbnail(*place, *snapshot, frame);
        return result;
    };
    task.done = [snapshot, path = task.path, frame = task.frame,
                 clears = canvas_clears](const SaveResult& result) {
        JournalSave(path, result.saved, frame);
        if (snapshot && result.saved) filled_to_show = {snapshot, 0, clears};
    };
    return task;
}

void RequestImageSave() {
    Request(image_saver, file, ImageSaveTask);
}

// The settings now, to be written to `path` on the settings saver's worker.
void RequestSettingsSave(const char* path) {
    const std::string target = path ? path : "";
    Request(settings_saver, target, [path = target] {
        SaveTask task;
        task.path = path;
        task.write = [path, text = SettingsText(settings_table, PANEL_ROWS_BEGIN)](SaveProgress&) {
            return SaveSettingsText(path, text);
        };
        return task;
    });
}

}  // namespace

void RenderGraphics() {
    PollSaves();
    DrawPanel();
    TimelineBeforeFrame();
    JournalSync();
    JournalFrameDone(CanvasFrame());
    TimelineFrameDone(JournalFrames());
}

void ShowPixelOnWindow(int x, int y, int v) {
    window_drawn = true;
    const auto grey = static_cast<std::uint8_t>((v / 256) & 255);
    CRM32Pro_IPrimitives::PutPixelRGBA(CRM32Pro_Main::screen, static_cast<std::int16_t>(x),
                                       static_cast<std::int16_t>(y + vertical_padding), grey, grey,
                                       grey, 255, 1);
}

void PrefetchPixelOnWindow(int x, int y) {
    CRM32Pro_IPrimitives::PrefetchPixel(CRM32Pro_Main::screen, static_cast<std::int16_t>(x),
                                        static_cast<std::int16_t>(y + vertical_padding));
}

// The canvas below the panel band; the band keeps what it shows.
void ClearWindow() {
    ForgetSaveFill();
    fill_on_window = false;
    if (!window_drawn) return;
    window_drawn = false;
    CRM32Pro_IPrimitives::BoxColor(
        CRM32Pro_Main::screen, 0, static_cast<std::int16_t>(vertical_padding),
        static_cast<std::int16_t>(xs), static_cast<std::int16_t>(ys + vertical_padding), 0);
}

bool WindowShowsFill() {
    return fill_on_window;
}

void ForgetSaveFill() {
    ++canvas_clears;
}

bool RequestImageSaveCommand() {
    RequestImageSave();
    return true;
}

void RequestSettingsSaveCommand() {
    RequestSettingsSave("defaults.cfg");
}

bool SaveImageCommand() {
    RequestImageSave();
    const bool saved = WaitFor(image_saver);
    // Waiting anyway, the filled pixels are all shown now.
    while (filled_to_show.snapshot) ShowFilledSlice();
    return saved;
}

bool SaveDefaultsCommand(const char* path) {
    RequestSettingsSave(path);
    return WaitFor(settings_saver);
}

void FinishSaves() {
    if (!Busy(image_saver) && !Busy(settings_saver)) return;
    CRM32Pro_ILogSystem::Msg("quitting: waiting for the running save to end");
    ShowPanelMessage("saving before quitting...");
    DrawPanel();
    CRM32Pro_Main::PresentFrame();
    WaitForSaves();
}

void WaitForSaves() {
    WaitFor(image_saver);
    WaitFor(settings_saver);
}

void ShowCanvasOnWindow() {
    CanvasView window;
    window.show_pixel = ShowPixelOnWindow;
    window.prefetch_pixel = PrefetchPixelOnWindow;
    window.clear = ClearWindow;
    window.show_filled = ShowPixelOnWindow;
    SetCanvasView(window);
}

void ReportSettingsProblems(const std::vector<std::string>& problems) {
    if (problems.empty()) return;
    for (const std::string& problem : problems) CRM32Pro_ILogSystem::Msg("%s", problem.c_str());
    const std::size_t n = problems.size();
    const std::string text = "defaults.cfg: " + std::to_string(n) +
                             (n == 1 ? " problem" : " problems") + ", see morvane.log";
    ShowPanelMessageFor(text.c_str(), SETTINGS_PROBLEMS_MS);
}
