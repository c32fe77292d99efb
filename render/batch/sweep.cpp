// SPDX-License-Identifier: MIT
// A sweep runs each picture in a child process of its own (the engine is one canvas per process),
// keeping `jobs` of them busy, and shows how many are done and how long the rest will take.
#include "render/batch/sweep.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <variant>

#include "config/safe_write.h"
#include "engine/journal.h"
#include "engine/settings.h"
#include "export/png_text.h"

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

// One value along an axis: exact as the journal writes it (what a picture gets), as its file
// names write it (zero-padded, so that the names sort as the values do), and as labels show it.
struct AxisValue {
    std::string exact, name, shown;
};
struct Axis {
    std::string key;
    std::vector<AxisValue> values;
};

bool IsToggle(const std::string& key) {
    return key == "white" || key == "fill-holes";
}

// Whole numbers, padded with zeros to the widest of them (and to `width` at least).
std::vector<AxisValue> WholeValues(const std::vector<long long>& numbers, int width) {
    for (const long long n : numbers)
        width = std::max(width, static_cast<int>(std::to_string(std::llabs(n)).size()));
    std::vector<AxisValue> values;
    for (const long long n : numbers) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%0*lld", n < 0 ? "-" : "", width, std::llabs(n));
        values.push_back({std::to_string(n), name, std::to_string(n)});
    }
    return values;
}

// Real numbers: named with the fewest decimals (three at least) that write each within a
// hundredth of the step between them and tell them all apart, the whole part padded to the
// widest: "curl-0.0025", not a "curl-0.003" that is not its value.
std::vector<AxisValue> RealValues(const std::vector<float>& numbers) {
    const double step =
        numbers.size() > 1 ? std::fabs(static_cast<double>(numbers[1]) - numbers[0]) : 0;
    std::vector<std::string> texts;
    for (int decimals = 3; decimals <= 9; ++decimals) {
        texts.clear();
        bool close = true;
        for (const float v : numbers) {
            char text[64];
            std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(v));
            texts.push_back(text);
            close = close && std::fabs(std::atof(text) - v) <= step / 100;
        }
        std::vector<std::string> sorted = texts;
        std::sort(sorted.begin(), sorted.end());
        if (close && std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()) break;
    }
    std::size_t whole = 0;
    for (const std::string& t : texts) whole = std::max(whole, t.find('.') - (t[0] == '-'));
    std::vector<AxisValue> values;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::string& t = texts[i];
        const bool minus = t[0] == '-';
        const std::string digits = t.substr(minus ? 1 : 0);
        std::string name(minus ? "-" : "");
        name.append(whole - digits.find('.'), '0');
        name += digits;
        values.push_back({journal::ExactFloat(numbers[i]), name, t});
    }
    return values;
}

// The values of one --vary axis; false with the reason when its key is neither a setting nor a
// toggle, or a value does not fit a whole-number setting.
bool AxisOf(const VaryAxis& vary, Axis& axis, std::string& error) {
    const SettingRow* row = nullptr;
    for (const SettingRow& r : PanelSettingRows())
        if (vary.key == r.key) row = &r;
    if (!row && !IsToggle(vary.key)) {
        error = "'" + vary.key +
                "' is not a setting; --vary takes a key of defaults.cfg such as \"curl\" or "
                "\"from angle\", or \"white\" or \"fill-holes\"";
        return false;
    }
    const bool whole = !row || std::holds_alternative<int*>(row->target);
    std::vector<long long> wholes;
    std::vector<float> reals;
    for (int i = 0; i < vary.count; ++i) {
        const double t = vary.count == 1 ? 0.0 : static_cast<double>(i) / (vary.count - 1);
        const double v = vary.from + (vary.to - vary.from) * t;
        if (whole && (row ? std::fabs(v) > 2147483647.0 : v < 0 || v > 1)) {
            error = "the value " + std::to_string(v) + " does not fit \"" + vary.key + "\"";
            return false;
        }
        wholes.push_back(std::llround(v));
        reals.push_back(static_cast<float>(v));
    }
    axis.key = vary.key;
    axis.values = whole ? WholeValues(wholes, 1) : RealValues(reals);
    return true;
}

// Two values of an axis with one name would make two pictures of one file.
bool NamesDiffer(const Axis& axis, std::string& error) {
    for (std::size_t i = 1; i < axis.values.size(); ++i) {
        if (axis.values[i].name != axis.values[i - 1].name) continue;
        error = "the values of \"" + axis.key + "\" repeat (" + axis.values[i].shown +
                " twice): ask for fewer, so that each picture gets a file of its own";
        return false;
    }
    return true;
}

// The picture at one value of each axis.
SweepItem ItemOf(const std::vector<const Axis*>& axes, const std::vector<std::size_t>& at,
                 std::uint32_t seed, const std::string& folder) {
    SweepItem item;
    item.seed = seed;
    std::string name;
    for (std::size_t a = 0; a < axes.size(); ++a) {
        const AxisValue& v = axes[a]->values[at[a]];
        if (a > 0) {
            name += '_';
            item.label += ", ";
        }
        name += FileWord(axes[a]->key) + "-" + v.name;
        item.label += axes[a]->key + " " + v.shown;
        if (axes[a]->key == "seed")
            item.seed = static_cast<std::uint32_t>(std::stoul(v.exact));
        else
            item.values.emplace_back(axes[a]->key, v.exact);
    }
    item.file = folder + "/" + name + ".png";
    return item;
}

std::string Hex32(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    char out[16];
    std::snprintf(out, sizeof out, "%08x", static_cast<unsigned>(hash ^ (hash >> 32)));
    return out;
}

}  // namespace

bool MakeFolder(const std::string& path, std::string& error) {
    struct stat st {};
    if (mkdir(path.c_str(), 0777) == 0 || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
        return true;
    error = "cannot make the folder " + path + ": " +
            (errno == EEXIST ? std::string("a file has that name") : std::strerror(errno));
    return false;
}

bool PlanSweep(const RenderOptions& o, std::uint32_t seed, const std::string& folder,
               SweepPlan& plan, std::string& error) {
    plan = SweepPlan{};
    std::vector<Axis> axes;
    if (o.vary.empty()) {
        std::vector<long long> seeds;
        for (std::uint64_t s = o.sweep_first; s <= o.sweep_last; ++s)
            seeds.push_back(static_cast<long long>(s));
        axes.push_back({"seed", WholeValues(seeds, 4)});
    }
    for (const VaryAxis& vary : o.vary) {
        axes.emplace_back();
        if (!AxisOf(vary, axes.back(), error) || !NamesDiffer(axes.back(), error)) return false;
    }
    if (axes.size() == 1) {
        for (std::size_t i = 0; i < axes[0].values.size(); ++i)
            plan.items.push_back(ItemOf({&axes[0]}, {i}, seed, folder));
        return true;
    }
    const Axis &rows = axes[0], &columns = axes[1];
    GridLayout& grid = plan.grid;
    grid.columns = static_cast<int>(columns.values.size());
    grid.row_key = rows.key;
    grid.column_key = columns.key;
    for (const AxisValue& v : rows.values) grid.row_labels.push_back(v.shown);
    for (const AxisValue& v : columns.values) grid.column_labels.push_back(v.shown);
    for (std::size_t r = 0; r < rows.values.size(); ++r)
        for (std::size_t c = 0; c < columns.values.size(); ++c)
            plan.items.push_back(ItemOf({&rows, &columns}, {r, c}, seed, folder));
    return true;
}

std::string SharedSettings(const RenderOptions& o, const std::string& settings) {
    std::string shared;
    std::size_t start = 0;
    while (start < settings.size()) {
        const std::size_t end = std::min(settings.find('\n', start), settings.size());
        const std::string line = settings.substr(start, end - start);
        bool varied = false;
        for (const VaryAxis& vary : o.vary) varied |= line.rfind(vary.key + " = ", 0) == 0;
        if (!varied) shared += line + "\n";
        start = end + 1;
    }
    return shared;
}

std::string SweepFolder(const std::string& dir, const std::string& stop,
                        const std::string& shared) {
    return dir + "/" + stop + "-" + Hex32(shared);
}

bool PrepareSweepFolder(const std::string& folder, const std::string& shared, std::string& error) {
    const auto slash = folder.find_last_of('/');
    if (!MakeFolder(folder.substr(0, slash), error) || !MakeFolder(folder, error)) return false;
    const std::string manifest = folder + "/sweep.txt";
    const std::string text =
        "# morvane-render sweep: every picture in this folder was made with these\n" + shared;
    std::ifstream in(manifest, std::ios::binary);
    if (in) {
        const std::string before{std::istreambuf_iterator<char>(in), {}};
        if (before == text) return true;
        error = manifest + " records another sweep; move this folder away or choose another --dir";
        return false;
    }
    if (WriteFileSafely(
            manifest, [&](std::ostream& out) { out << text; }, error))
        return true;
    error = manifest + ": " + error;
    return false;
}

std::string PictureGoal(std::uint64_t frames, double lit) {
    return lit > 0 ? "lit " + std::to_string(lit) : "frames " + std::to_string(frames);
}

bool MadeAs(const std::string& path, const PictureMaking& making) {
    std::map<std::string, std::string> text;
    std::string error;
    if (!ReadTextChunks(path, text, error)) return false;
    return text["morvane:seed"] == std::to_string(making.seed) &&
           text["morvane:goal"] == making.goal && text["morvane:toggles"] == making.toggles &&
           text["morvane:settings"] == making.settings;
}

namespace {

// One sweep's processes: the pictures started, running and done, and the progress line.
class SweepRun {
public:
    SweepRun(const std::vector<SweepItem>& items, int jobs, bool quiet,
             int (*render)(const SweepItem&), bool (*is_done)(const SweepItem&))
        : items_(items), jobs_(jobs), quiet_(quiet), render_(render), is_done_(is_done) {}

    bool Going() const {
        return !interrupted && !failed_ && (next_ < items_.size() || !running_.empty());
    }

    // Starts renders until `jobs` run, passing over the pictures already made.
    void Fill() {
        while (!interrupted && !failed_ && next_ < items_.size() &&
               running_.size() < static_cast<std::size_t>(jobs_)) {
            const std::size_t i = next_++;
            if (is_done_(items_[i])) {
                ++done_;
                ++kept_;
                continue;
            }
            const pid_t pid = fork();
            if (pid == 0) {
                // Back to the default, which cannot fail for these two signals.
                (void)signal(SIGINT, SIG_DFL);
                (void)signal(SIGTERM, SIG_DFL);
                _exit(render_(items_[i]));
            }
            if (pid < 0) {
                failed_ = true;
                return;
            }
            running_[pid] = i;
        }
    }

    // Waits for one render to end; a signal ends the wait early, and the loop looks at the flag.
    void Reap() {
        if (running_.empty()) return;
        int status = 0;
        const pid_t pid = waitpid(-1, &status, 0);
        if (pid < 0) return;
        running_.erase(pid);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            ++done_;
            ++rendered_;
        } else {
            failed_ = !interrupted;
        }
    }

    // The live progress line on a terminal: images done and the time left.
    void Report() const {
        if (quiet_ || !isatty(STDERR_FILENO)) return;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const std::size_t left = items_.size() - done_;
        std::fprintf(stderr, "\rsweep: %zu/%zu images", done_, items_.size());
        if (rendered_ > 0 && left > 0)
            std::fprintf(stderr, ", %.0f s left", seconds / rendered_ * left / jobs_);
        std::fprintf(stderr, "\033[K");
    }

    // Stops the renders still running (their files are never half written) and says how it
    // ended. Returns the exit code.
    int Finish() {
        for (const auto& [pid, index] : running_) kill(pid, SIGTERM);
        for (const auto& [pid, index] : running_) waitpid(pid, nullptr, 0);
        if (!quiet_) {
            std::fprintf(stderr, "%ssweep: %zu of %zu images (%zu rendered, %zu already there)\n",
                         isatty(STDERR_FILENO) ? "\r\033[K" : "", done_, items_.size(), rendered_,
                         kept_);
        }
        if (interrupted) {
            std::fprintf(stderr,
                         "morvane-render: interrupted; the same command renders the rest\n");
            return 130;
        }
        return failed_ ? 1 : 0;
    }

private:
    const std::vector<SweepItem>& items_;
    const int jobs_;
    const bool quiet_;
    int (*const render_)(const SweepItem&);
    bool (*const is_done_)(const SweepItem&);
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::map<pid_t, std::size_t> running_;
    std::size_t next_ = 0, done_ = 0, rendered_ = 0, kept_ = 0;
    bool failed_ = false;
};

}  // namespace

int RunSweep(const std::vector<SweepItem>& items, int jobs, bool quiet,
             int (*render)(const SweepItem&), bool (*is_done)(const SweepItem&)) {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    SweepRun run(items, jobs, quiet, render, is_done);
    while (run.Going()) {
        run.Fill();
        run.Report();
        run.Reap();
    }
    return run.Finish();
}
