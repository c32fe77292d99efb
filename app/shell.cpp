// The shell's glue between the engine, the panel and the window: the frame's drawing, the window
// view of the canvas, and the save commands, which log a failure and show it in the panel.
#include <cstdint>
#include <string>

#include "app/app.h"
#include "app/journal.h"
#include "config/settings_writer.h"
#include "engine/frame.h"
#include "engine/settings.h"
#include "export/export.h"
#include "panel/panel.h"
#include "platform/platform.h"

namespace {

// Longest reason shown in the panel band: the band is 512 px wide at its smallest.
constexpr std::size_t PANEL_REASON_CHARS = 48;

void ShowPixelOnWindow(int x, int y, int v) {
    const auto grey = static_cast<std::uint8_t>((v / 256) & 255);
    CRM32Pro_IPrimitives::PutPixelRGBA(CRM32Pro_Main::screen, static_cast<std::int16_t>(x),
                                       static_cast<std::int16_t>(y + vertical_padding), grey, grey,
                                       grey, 255, 1);
}

// The whole window, panel band included; the panel is drawn again in the next frame.
void ClearWindow() {
    CRM32Pro_IPrimitives::BoxColor(CRM32Pro_Main::screen, 0, 0, static_cast<std::int16_t>(xs),
                                   static_cast<std::int16_t>(ys + vertical_padding), 0);
}

// The panel shows only the last part of the reason (the system's words, without the path), cut
// to fit the band; the log has it whole.
std::string PanelReason(const std::string& reason) {
    const auto colon = reason.rfind(": ");
    std::string text = colon == std::string::npos ? reason : reason.substr(colon + 2);
    if (text.size() > PANEL_REASON_CHARS) text = text.substr(0, PANEL_REASON_CHARS - 3) + "...";
    return text;
}

// Logs a failed save with `what` (the log line's start) and shows it in the panel.
bool Report(const SaveResult& result, const char* what, const std::string& path) {
    if (result.saved) {
        if (!result.reason.empty())
            CRM32Pro_ILogSystem::Msg("%s %s: %s", what, path.c_str(), result.reason.c_str());
        return true;
    }
    CRM32Pro_ILogSystem::Msg("could not %s %s: %s", what, path.c_str(), result.reason.c_str());
    ShowPanelMessage(("save failed: " + PanelReason(result.reason)).c_str());
    return false;
}

}  // namespace

void RenderGraphics() {
    DrawPanel();
    JournalSync();
    JournalFrameDone(CanvasFrame());
}

void ShowCanvasOnWindow() {
    canvas_view.show_pixel = ShowPixelOnWindow;
    canvas_view.clear = ClearWindow;
}

bool SaveImageCommand() {
    JournalSync();
    const SaveResult result = SaveImage(file);
    JournalSave(file, result.saved);
    return Report(result, "save image", file);
}

bool SaveDefaultsCommand(const char* path) {
    const std::string target = path ? path : "";
    const SaveResult result =
        SaveSettingsText(target, SettingsText(settings_table, PANEL_ROWS_BEGIN));
    return Report(result, "save the settings to", target);
}
