// SPDX-License-Identifier: MIT
// The shell's glue between the engine, the panel and the window: the frame's drawing, the window
// view of the canvas, and the save commands: each save runs on its saver's worker, and the frame
// shows its progress and then its result (a failure is logged too).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "app/history.h"
#include "app/journal.h"
#include "app/saving.h"
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

void ShowPixelOnWindow(int x, int y, int v) {
    const auto grey = static_cast<std::uint8_t>((v / 256) & 255);
    CRM32Pro_IPrimitives::PutPixelRGBA(CRM32Pro_Main::screen, static_cast<std::int16_t>(x),
                                       static_cast<std::int16_t>(y + vertical_padding), grey, grey,
                                       grey, 255, 1);
}

// The canvas below the panel band; the band keeps what it shows.
void ClearWindow() {
    CRM32Pro_IPrimitives::BoxColor(
        CRM32Pro_Main::screen, 0, static_cast<std::int16_t>(vertical_padding),
        static_cast<std::int16_t>(xs), static_cast<std::int16_t>(ys + vertical_padding), 0);
}

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
struct Saver {
    BackgroundSaver worker;
    const char* what;
    long frames = 0;
    std::chrono::steady_clock::duration longest_gap{};
};
Saver image_saver{{}, "save image"};
Saver settings_saver{{}, "save the settings to"};
std::chrono::steady_clock::time_point last_frame;

// Logs and shows a save that has ended; returns whether it wrote its file.
bool Finish(Saver& saver, const FinishedSave& finished) {
    if (finished.task.done) finished.task.done(finished.result);
    const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(saver.longest_gap);
    CRM32Pro_ILogSystem::Msg("%s %s ended: %ld frames while it ran, longest frame gap %ld ms",
                             saver.what, finished.task.path.c_str(), saver.frames,
                             static_cast<long>(gap.count()));
    saver.frames = 0;
    saver.longest_gap = {};
    return Report(finished.result, saver.what, finished.task.path);
}

void Request(Saver& saver, SaveTask task) {
    const std::string path = task.path;
    const auto frame = static_cast<unsigned long long>(JournalFrames());
    const bool waits = saver.worker.Request(std::move(task));
    CRM32Pro_ILogSystem::Msg("%s %s asked for at frame %llu%s", saver.what, path.c_str(), frame,
                             waits ? ", waits for the running save" : "");
    if (waits) ShowPanelMessageFor("saving... the next save waits for this one", PROGRESS_MS);
}

// Blocks until the saver has nothing left to do; returns whether its last save wrote its file.
bool WaitFor(Saver& saver) {
    bool saved = true;
    while (saver.worker.Running()) {
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
        if (!saver->worker.Running()) continue;
        const std::string text = "saving... " + std::to_string(saver->worker.Percent()) + "%";
        ShowPanelMessageFor(text.c_str(), PROGRESS_MS);
    }
    last_frame = now;
}

// The canvas now, written to the "png file" setting on the image saver's worker. The snapshot
// and the save's frame are taken here; the journal line is written when the save ends.
void RequestImageSave() {
    JournalSync();
    auto snapshot = std::make_shared<const CanvasSnapshot>(TakeSnapshot());
    auto filled = std::make_shared<std::vector<FilledPixel>>();
    SaveTask task;
    task.path = file;
    task.frame = JournalFrames();
    // The picture carries the journal up to this save, so that morvane-render --from makes it
    // again sample for sample.
    task.write = [snapshot, filled, path = file,
                  chunks = ProvenanceChunks(file, task.frame)](SaveProgress& progress) {
        ImageOutput output = WriteImage(path, *snapshot, chunks, &progress);
        *filled = std::move(output.filled);
        return output.result;
    };
    task.done = [snapshot, filled, path = file, frame = task.frame](const SaveResult& result) {
        JournalSave(path, result.saved, frame);
        ShowFilledPixels(*snapshot, *filled);
    };
    Request(image_saver, std::move(task));
}

// The settings now, written to `path` on the settings saver's worker.
void RequestSettingsSave(const char* path) {
    SaveTask task;
    task.path = path ? path : "";
    task.write = [path = task.path, text = SettingsText(settings_table, PANEL_ROWS_BEGIN)](
                     SaveProgress&) { return SaveSettingsText(path, text); };
    Request(settings_saver, std::move(task));
}

}  // namespace

void RenderGraphics() {
    PollSaves();
    DrawPanel();
    JournalSync();
    JournalFrameDone(CanvasFrame());
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
    return WaitFor(image_saver);
}

bool SaveDefaultsCommand(const char* path) {
    RequestSettingsSave(path);
    return WaitFor(settings_saver);
}

void FinishSaves() {
    if (!image_saver.worker.Running() && !settings_saver.worker.Running()) return;
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
    canvas_view.show_pixel = ShowPixelOnWindow;
    canvas_view.clear = ClearWindow;
}

void ReportSettingsProblems(const std::vector<std::string>& problems) {
    if (problems.empty()) return;
    for (const std::string& problem : problems) CRM32Pro_ILogSystem::Msg("%s", problem.c_str());
    const std::size_t n = problems.size();
    const std::string text = "defaults.cfg: " + std::to_string(n) +
                             (n == 1 ? " problem" : " problems") + ", see morvane.log";
    ShowPanelMessageFor(text.c_str(), SETTINGS_PROBLEMS_MS);
}
