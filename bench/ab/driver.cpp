// SPDX-License-Identifier: MIT
// Frame against frame: the growth passes of two builds (shared libraries from shim.cpp) in one
// process, on the same half-grown canvas, one frame of each in turn. Run to run, this machine's
// speed wanders by 15% and more (the place of the grids in memory, the neighbours on the host),
// which is more than most changes to the pass are worth; frames a millisecond apart see the same
// machine. Prints, per size, the median of the per-round ratios of frame times (first / second,
// so above 1 the second is faster) with its quartiles, and whether both grew the same canvas.
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Build {
    const char* path = nullptr;
    int (*grow)(int, std::uint32_t, int) = nullptr;
    void (*restore)() = nullptr;
    void (*frame)() = nullptr;
    std::uint64_t (*hash)() = nullptr;
};

template <class F>
bool Find(void* lib, const char* name, F& out) {
    out = reinterpret_cast<F>(dlsym(lib, name));
    return out != nullptr;
}

bool Load(const char* path, Build& b) {
    b.path = path;
    void* lib = dlopen(path, RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND);
    if (!lib) {
        std::fprintf(stderr, "ab: %s\n", dlerror());
        return false;
    }
    if (!Find(lib, "ab_grow", b.grow) || !Find(lib, "ab_restore", b.restore) ||
        !Find(lib, "ab_frame", b.frame) || !Find(lib, "ab_hash", b.hash)) {
        std::fprintf(stderr, "ab: %s lacks the ab_ functions\n", path);
        return false;
    }
    return true;
}

double TimeFrame(const Build& b) {
    const auto start = std::chrono::steady_clock::now();
    b.frame();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Quantile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
}

// One size: both canvases grown to `percent` lit from the same seed, then `rounds` rounds of one
// frame each, in alternating order, both restored every size^2 / 512^2 rounds (every round at 512,
// every 64 at 4096: about 2% of growth between restores).
void Compare(const Build& a, const Build& b, int size, int percent, int rounds) {
    const int frames_a = a.grow(size, 12345, percent);
    const int frames_b = b.grow(size, 12345, percent);
    const bool same_start = frames_a == frames_b && a.hash() == b.hash();
    const long restore_every = std::max(1L, static_cast<long>(size) * size / (512L * 512));
    std::vector<double> ratios, times_a, times_b;
    for (int r = 0; r < rounds; ++r) {
        // Each build is restored just before its own frame, so neither finds its canvas the
        // fresher in the cache; the order alternates from round to round.
        const bool restore = r % restore_every == 0;
        const auto run = [restore](const Build& build) {
            if (restore) build.restore();
            return TimeFrame(build);
        };
        double ta, tb;
        if (r % 2 == 0) {
            ta = run(a);
            tb = run(b);
        } else {
            tb = run(b);
            ta = run(a);
        }
        ratios.push_back(ta / tb);
        times_a.push_back(ta);
        times_b.push_back(tb);
    }
    const bool same_end = a.hash() == b.hash();
    std::printf(
        "%4d x %-4d %d%% lit, %d rounds: second %.3fx as fast as first (quartiles %.3f-%.3f); "
        "median frame %.3f ms against %.3f ms; %s\n",
        size, size, percent, rounds, Quantile(ratios, 0.5), Quantile(ratios, 0.25),
        Quantile(ratios, 0.75), Quantile(times_a, 0.5) * 1e3, Quantile(times_b, 0.5) * 1e3,
        same_start && same_end ? "the same samples" : "NOT THE SAME SAMPLES: the builds differ");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: ab FIRST.so SECOND.so [SIZE...] [--lit PERCENT] [--rounds N]\n");
        return 2;
    }
    Build a, b;
    if (!Load(argv[1], a) || !Load(argv[2], b)) return 1;
    std::vector<int> sizes;
    int percent = 50, rounds = 600;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--lit") == 0 && i + 1 < argc) {
            percent = std::clamp(std::atoi(argv[++i]), 1, 90);
        } else if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else {
            const int size = std::atoi(argv[i]);
            if (size < 16 || size > 4096) {
                std::fprintf(stderr, "ab: a size is 16 to 4096, not %s\n", argv[i]);
                return 2;
            }
            sizes.push_back(size);
        }
    }
    if (sizes.empty()) sizes = {512, 1024, 4096};
    for (const int size : sizes) Compare(a, b, size, percent, rounds);
    return 0;
}
