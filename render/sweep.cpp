// A sweep runs each picture in a child process of its own (the engine is one canvas per process),
// keeping `jobs` of them busy, and shows how many are done and how long the rest will take.
#include "render/sweep.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <variant>

#include "engine/journal.h"
#include "engine/settings.h"
#include "render/png_text.h"

namespace {

volatile sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
}

// The key as a file-name word: letters and digits kept, any run of others one "-".
std::string FileWord(const std::string& key) {
    std::string word;
    for (const char c : key) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            word += c;
        else if (!word.empty() && word.back() != '-')
            word += '-';
    }
    while (!word.empty() && word.back() == '-') word.pop_back();
    return word;
}

}  // namespace

bool PlanSweep(const RenderOptions& o, std::uint32_t seed, std::vector<SweepItem>& items,
               std::string& error) {
    items.clear();
    if (o.vary_key.empty()) {
        for (std::uint64_t s = o.sweep_first; s <= o.sweep_last; ++s) {
            const auto n = static_cast<std::uint32_t>(s);
            items.push_back(
                {o.dir + "/" + std::to_string(n) + ".png", "seed " + std::to_string(n), n, ""});
        }
        return true;
    }
    const SettingRow* row = nullptr;
    for (const SettingRow& r : PanelSettingRows())
        if (o.vary_key == r.key) row = &r;
    if (!row) {
        error = "'" + o.vary_key +
                "' is not a setting; --vary takes a key of defaults.cfg such "
                "as \"curl\" or \"from angle\"";
        return false;
    }
    const bool integer = std::holds_alternative<int*>(row->target);
    for (int i = 0; i < o.vary_count; ++i) {
        const double t = o.vary_count == 1 ? 0.0 : static_cast<double>(i) / (o.vary_count - 1);
        const double v = o.vary_from + (o.vary_to - o.vary_from) * t;
        if (integer && std::fabs(v) > 2147483647.0) {
            error = "the value " + std::to_string(v) + " does not fit \"" + o.vary_key + "\"";
            return false;
        }
        const std::string text = integer ? std::to_string(static_cast<int>(std::lround(v)))
                                         : journal::ExactFloat(static_cast<float>(v));
        items.push_back({o.dir + "/" + FileWord(o.vary_key) + "-" + text + ".png",
                         o.vary_key + " " + text, seed, text});
    }
    return true;
}

std::string PictureGoal(std::uint64_t frames, double lit) {
    return lit > 0 ? "lit " + std::to_string(lit) : "frames " + std::to_string(frames);
}

bool MadeAs(const std::string& path, const PictureMaking& making) {
    std::map<std::string, std::string> text;
    std::string error;
    if (!ReadTextChunks(path, text, error)) return false;
    return text["morvane:seed"] == std::to_string(making.seed) &&
           text["morvane:goal"] == making.goal && text["morvane:settings"] == making.settings;
}

int RunSweep(const std::vector<SweepItem>& items, int jobs, bool quiet,
             int (*render)(const SweepItem&), bool (*is_done)(const SweepItem&)) {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    const auto start = std::chrono::steady_clock::now();
    std::map<pid_t, std::size_t> running;
    std::size_t next = 0, done = 0, rendered = 0, kept = 0;
    bool failed = false;
    const auto report = [&] {
        if (quiet || !isatty(STDERR_FILENO)) return;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::size_t left = items.size() - done;
        std::fprintf(stderr, "\rsweep: %zu/%zu images", done, items.size());
        if (rendered > 0 && left > 0)
            std::fprintf(stderr, ", %.0f s left", seconds / rendered * left / jobs);
        std::fprintf(stderr, "\033[K");
    };
    while (!interrupted && !failed && (next < items.size() || !running.empty())) {
        while (!interrupted && !failed && next < items.size() &&
               running.size() < static_cast<std::size_t>(jobs)) {
            const std::size_t i = next++;
            if (is_done(items[i])) {
                ++done;
                ++kept;
                continue;
            }
            const pid_t pid = fork();
            if (pid == 0) {
                // Back to the default, which cannot fail for these two signals.
                (void)signal(SIGINT, SIG_DFL);
                (void)signal(SIGTERM, SIG_DFL);
                _exit(render(items[i]));
            }
            if (pid < 0) {
                failed = true;
                break;
            }
            running[pid] = i;
        }
        report();
        if (running.empty()) continue;
        int status = 0;
        const pid_t pid = waitpid(-1, &status, 0);
        if (pid < 0) continue;  // a signal: the loop looks at the flag
        running.erase(pid);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            ++done;
            ++rendered;
        } else {
            failed = !interrupted;
        }
    }
    // Ended early: stop the renders still running; their files are never half written.
    for (const auto& [pid, index] : running) kill(pid, SIGTERM);
    for (const auto& [pid, index] : running) waitpid(pid, nullptr, 0);
    if (!quiet) {
        std::fprintf(stderr, "%ssweep: %zu of %zu images (%zu rendered, %zu already there)\n",
                     isatty(STDERR_FILENO) ? "\r\033[K" : "", done, items.size(), rendered, kept);
    }
    if (interrupted) {
        std::fprintf(stderr, "morvane-render: interrupted; the same command renders the rest\n");
        return 130;
    }
    return failed ? 1 : 0;
}
