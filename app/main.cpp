// SPDX-License-Identifier: MIT
// The entry function: start-up, the main loop, shutdown. Read SDL_main from the top: one loop
// iteration is one frame, and its steps are the lines of the loop.
#include <cstdio>
#include <cstring>
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

constexpr const char* HELP_TEXT =
    "Usage: morvane [--help | --version | FILE]\n"
    "Grows grey strand lines across a black canvas in a window. Reads defaults.cfg, writes\n"
    "morvane.png and morvane.log in the working folder; morvane(1) lists the keys and settings.\n"
    "  FILE       grow on from the picture of a PNG that morvane or morvane-render wrote, or\n"
    "             of a kept session's journal\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n";

// The two options, handled before anything else starts: no window, no log. Returns the exit
// code when the program should end here, or -1 to run. The first word that is not an option is
// the picture to continue (`picture`); later ones are ignored, as all were before.
int HandleOptions(int argc, char** argv, const char*& picture) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0) {
            std::fputs(HELP_TEXT, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::puts("morvane " MORVANE_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (arg[0] == '-') {
            std::fprintf(stderr, "morvane: unknown option '%s' (morvane --help lists them)\n", arg);
            return 2;
        }
        if (!picture) picture = arg;
    }
    return -1;
}

void WriteWindowSettings() {
    CRM32Pro_Main::window.width = static_cast<std::uint16_t>(xs);
    CRM32Pro_Main::window.height = static_cast<std::uint16_t>(ys + vertical_padding);
    CRM32Pro_Main::window.panel_height = static_cast<std::uint16_t>(vertical_padding);
    CRM32Pro_Main::window.depth = 32;
    CRM32Pro_Main::window.mode = 1;
    CRM32Pro_Main::window.title = "morvane - growing strands";
}

// The log, the library, the settings, the panel, the picture to continue (if any) or a fresh
// seed, the journal, the window and the frame timer. False when the program cannot run (the
// reason is in the log).
bool StartUp(const char* picture) {
    // The log's first line names the version: "morvane 0.1.0 log started".
    CRM32Pro_ILogSystem::Init("morvane.log", "morvane " MORVANE_VERSION);
    using namespace CRM32Pro_Main;
    if (Init(INIT_TIMER | INIT_AUDIO | INIT_VIDEO) < 0) {
        CRM32Pro_ILogSystem::Msg(" \xB7 [LOG] - Couldn\xB4t initialize CRM32Pro: %s\n",
                                 LastError());
        return false;
    }
    std::vector<std::string> settings_problems;
    LoadSettings("defaults.cfg", &settings_problems);
    const PackageLocation package = LocatePackage();
    CRM32Pro_ILogSystem::Msg("%s", package.note.c_str());
    StartPanel(package.path.c_str(), PanelCommands{RequestImageSaveCommand});
    ReportSettingsProblems(settings_problems);
    ShowCanvasOnWindow();
    StartTimeline();
    const bool continued = picture && ContinuePicture(picture);
    if (!continued) RandSeed(JournalStart(std::time(nullptr)));
    WriteWindowSettings();
    if (!SetVideoMode()) {
        StopPanel();
        Quit();
        return false;
    }
    CRM32Pro_ITimeSystem::Init();
    if (continued) ShowWholeCanvas();
    // A long frame (huge settings from the file) ends early on a quit request.
    SetQuitCheck(QuitRequested);
    return true;
}

// The panel's buttons, polled once per frame before the events; half the real frame rate is
// how many frames a gated button waits before it repeats.
void PollPanel(bool& quit) {
    if (display_GUI) PollButtons(CRM32Pro_ITimeSystem::GetCurrentRFR() / 2, quit);
}

// Every pending event: keys, the close box and quit signals, the end of a held panel button, the
// wheel's zoom, the drag's pan of the canvas view, and a picture dropped to be continued.
void HandleEvents(bool& quit) {
    Event event;
    while (CRM32Pro_Main::NextEvent(&event)) {
        if (event.type == EVENT_KEYDOWN) HandleKey(event.sym, quit);
        if (event.type == EVENT_QUIT) quit = true;
        if (event.type == EVENT_MOUSEBUTTONUP) ReleaseHeldButton();
        if (event.type == EVENT_MOUSEWHEEL) CRM32Pro_Main::ZoomView(event.dy);
        if (event.type == EVENT_MOUSEDRAG) CRM32Pro_Main::PanView(event.dx, event.dy);
        if (event.type == EVENT_DROPFILE && ContinueAfterQuit(event.path)) quit = true;
    }
}

void Shutdown() {
    FinishSaves();
    JournalEnd();
    CRM32Pro_ITimeSystem::Info();
    CRM32Pro_ICursor::Info();
    CRM32Pro_Main::VideoInfo();
    CRM32Pro_Main::AudioInfo();
    StopPanel();
    CRM32Pro_Main::Quit();
}

}  // namespace

int SDL_main(int argc, char** argv) {
    const char* picture = nullptr;
    if (const int code = HandleOptions(argc, argv, picture); code >= 0) return code;
    if (picture) ReadPictureToContinue(picture);
    if (!StartUp(picture)) return 1;
    bool quit = false;
    while (!quit) {
        PollPanel(quit);
        HandleEvents(quit);
        CRM32Pro_Main::WaitForFrame();
        RenderGraphics();
        CRM32Pro_Main::PresentFrame();
    }
    Shutdown();
    StartAgainOnPicture(argv[0]);
    return 0;
}
