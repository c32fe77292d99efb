// SPDX-License-Identifier: MIT
// The history sheet's cost against the length of the sessions it shows: nine kept 512 x 512
// sessions that saved after FRAMES frames and quit (journals as the window writes them), then
// `morvane-render history --sheet` timed with the thumbnail of each last save beside its
// journal, and again without them (each session replayed). The thumbnails are made here the way
// the window makes them at its save: from a snapshot of the canvas the save wrote.
//   bench_history_sheet [FRAMES...]   (default 3600 18000: one and five minutes of frames)
// The renderer is the morvane-render of the build this bench belongs to (build/bench/..).
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/session_files.h"
#include "export/export.h"
#include "export/thumbnail.h"
#include "render/session/history.h"

namespace fs = std::filesystem;

namespace {

constexpr int SESSIONS = 9;
// The target: a sheet of nine kept 512 sessions in at most this, once their saves exist.
constexpr double TARGET_SECONDS = 5.0;
// Session k started k hours into 2026.
constexpr std::time_t START = 1767225600;

// The log's stamp of a line `seconds` into the session.
std::string Stamp(std::time_t seconds) {
    const std::time_t t = START + seconds;
    std::tm utc{};
    char text[32] = "";
    gmtime_r(&t, &utc);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S journal ", &utc);
    return text;
}

// A session that saved after `frames` frames (at the window's 60 a second) and quit.
std::string Journal(std::uint32_t seed, unsigned long frames) {
    std::string text = Stamp(0) + "start seed=" + std::to_string(seed) + " size=512x512\n";
    for (const char* event : {" save ok \"morvane.png\"\n", " end\n"})
        text +=
            Stamp(static_cast<std::time_t>(frames / 60 + 1)) + "@" + std::to_string(frames) + event;
    return text;
}

// Writes the sessions' journals and the thumbnails of their saves into `folder`.
bool MakeSessions(const fs::path& folder, unsigned long frames) {
    for (int k = 0; k < SESSIONS; ++k) {
        const std::string name = SessionFileName(START + 3600 * k, 100 + k, 1);
        std::ofstream(folder / name) << Journal(100 + k, frames);
        SessionRecord s;
        std::string error;
        if (!LoadSession(folder / name, s, true, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return false;
        }
        ReplayTo(s.journal, RenderOptions::Target::LastSave, 0, error);
        const std::string png =
            ThumbnailPng(SnapshotTile(TakeSnapshot(), HISTORY_TILE), ThumbnailTag(name, frames));
        std::ofstream(folder / ThumbnailFileName(name), std::ios::binary) << png;
    }
    return true;
}

// Wall seconds of `renderer history` with `arguments`; negative when it fails.
double TimeHistory(const std::string& renderer, const std::string& arguments) {
    const auto start = std::chrono::steady_clock::now();
    const std::string command = renderer + " history " + arguments;
    if (std::system(command.c_str()) != 0) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int, char** argv) {
    const std::string renderer =
        fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "morvane-render";
    // Other benches' options (--benchmark_...) are passed to every bench: only numbers count.
    std::vector<unsigned long> lengths;
    for (char** a = argv + 1; *a; ++a)
        if (**a >= '0' && **a <= '9') lengths.push_back(std::strtoul(*a, nullptr, 10));
    if (lengths.empty()) lengths = {3600, 18000};
    const fs::path scratch =
        fs::temp_directory_path() / ("morvane-bench-" + std::to_string(getpid()));
    setenv("XDG_STATE_HOME", scratch.c_str(), 1);
    const fs::path folder = scratch / "morvane" / "sessions";
    for (const unsigned long frames : lengths) {
        fs::remove_all(scratch);
        fs::create_directories(folder);
        if (!MakeSessions(folder, frames)) return 1;
        // The floor: the listing, which finds and reads the same sessions' journals in full.
        const double floor = TimeHistory(renderer, ">/dev/null");
        const double with =
            TimeHistory(renderer, "--quiet --sheet " + (scratch / "with.png").string());
        for (int k = 0; k < SESSIONS; ++k)
            fs::remove(folder / ThumbnailFileName(SessionFileName(START + 3600 * k, 100 + k, 1)));
        const double without =
            TimeHistory(renderer, "--quiet --sheet " + (scratch / "without.png").string());
        std::ifstream a(scratch / "with.png", std::ios::binary),
            b(scratch / "without.png", std::ios::binary);
        const bool same = std::string(std::istreambuf_iterator<char>(a), {}) ==
                          std::string(std::istreambuf_iterator<char>(b), {});
        std::printf(
            "history sheet, nine 512 sessions of %lu frames: %.2f s with thumbnails (target %.0f "
            "s, the listing's floor %.2f s), %.2f s replayed; the sheets %s\n",
            frames, with, TARGET_SECONDS, floor, without, same ? "are the same" : "DIFFER");
        if (floor < 0 || with < 0 || without < 0 || !same) return 1;
    }
    fs::remove_all(scratch);
    return 0;
}
