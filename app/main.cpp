// The entry function: start-up, the main loop with its event pump, shutdown. Read SDL_main from
// the top: each step of start-up is one call, the loop is one iteration per frame.
#include <ctime>

#include "app/app.h"
#include "app/journal.h"
#include "app/package_path.h"
#include "engine/frame.h"
#include "engine/random.h"
#include "engine/settings.h"
#include "morvane/version.h"
#include "panel/panel.h"
#include "platform/platform.h"

namespace {

// SDL 1.2 subsystem flags: timer (0x01), audio (0x10), video (0x20).
constexpr std::uint32_t LIBRARY_SUBSYSTEMS = 49;
// Height of the panel band when it is shown.
constexpr int PANEL_HEIGHT = 72;

void WriteWindowSettings() {
    CRM32Pro_Main::window.width = static_cast<std::uint16_t>(xs);
    CRM32Pro_Main::window.height = static_cast<std::uint16_t>(ys + vertical_padding);
    CRM32Pro_Main::window.panel_height = static_cast<std::uint16_t>(vertical_padding);
    CRM32Pro_Main::window.depth = 32;
    CRM32Pro_Main::window.mode = 1;
    CRM32Pro_Main::window.title = "morvane - growing strands";
}

// Drains the events; the library renders one frame once none is left.
void PumpEvents(bool& quit) {
    Event event;
    while (CRM32Pro_Main::Update(&event)) {
        switch (event.type) {
            case EVENT_KEYDOWN:
                HandleKey(event.sym, quit);
                break;
            case EVENT_QUIT:
                quit = true;
                break;
            case EVENT_MOUSEBUTTONUP:
                // Letting go of the mouse ends a held panel button.
                button_is_held = false;
                break;
            default:
                break;
        }
    }
}

// One main-loop iteration: the repeat limit, the panel's buttons, the restart sync, then the
// event pump, inside which the frame is rendered.
void RunIteration(bool& quit) {
    const int repeat_limit = CRM32Pro_ITimeSystem::GetCurrentRFR() / 2;
    if (display_GUI) PollButtons(repeat_limit, quit);
    // Keeps the pixel fill toggle off while a restart is pending.
    if (init == 0) RequestRestart();
    PumpEvents(quit);
}

void Shutdown() {
    JournalEnd();
    CRM32Pro_ITimeSystem::Info();
    CRM32Pro_ICursor::Info();
    CRM32Pro_Main::VideoInfo();
    CRM32Pro_Main::AudioInfo();
    delete fFont;
    fFont = nullptr;
    CRM32Pro_IButton::RemoveAll();
    CRM32Pro_Main::Quit();
}

}  // namespace

int SDL_main(int, char**) {
    // The log's first line names the version: "morvane 0.1.0 log started".
    CRM32Pro_ILogSystem::Init("morvane.log", 2, 2, "morvane " MORVANE_VERSION, nullptr, nullptr,
                              nullptr);
    if (CRM32Pro_Main::Init(LIBRARY_SUBSYSTEMS) < 0) {
        CRM32Pro_ILogSystem::Msg(2, " \xB7 [LOG] - Couldn\xB4t initialize CRM32Pro: %s\n",
                                 CRM32Pro_Main::LastError());
        return 1;
    }
    std::vector<std::string> settings_problems;
    LoadSettings("defaults.cfg", &settings_problems);
    vertical_padding = display_GUI ? PANEL_HEIGHT : 0;
    WriteWindowSettings();
    const auto seed = static_cast<std::uint32_t>(std::time(nullptr));
    CRM32Pro_Main::RandSeed(seed);
    JournalStart(seed);
    if (!CRM32Pro_Main::SetVideoMode()) {
        CRM32Pro_Main::Quit();
        return 1;
    }
    CRM32Pro_ITimeSystem::Init(0);
    ShowCanvasOnWindow();
    // A long frame (huge settings from the file) ends early on a quit request.
    quit_requested = CRM32Pro_Main::QuitRequested;
    CRM32Pro_Main::SetRenderCallback(RenderGraphics);
    // The resource package with the font and the button images: the working folder's, else the
    // installed one.
    const PackageLocation package = LocatePackage();
    CRM32Pro_ILogSystem::Msg(2, "%s", package.note.c_str());
    fFont = new CRM32Pro_CFont();
    fFont->Load(package.path.c_str(), "font");
    CreateButtons(package.path.c_str());
    panel_commands.save_image = SaveImageCommand;
    ReportSettingsProblems(settings_problems);

    hold_counter = 0;
    bool quit = false;
    while (!quit) RunIteration(quit);

    Shutdown();
    return 0;
}
