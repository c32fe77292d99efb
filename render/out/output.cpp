// SPDX-License-Identifier: MIT
// The plan of the picture a job writes, and the checks that keep its outputs off its inputs.
#include "render/out/output.h"

#include <signal.h>
#include <sys/stat.h>

#include <cstdio>
#include <vector>

#include "engine/settings.h"
#include "render/out/print.h"
#include "render/out/strands.h"

namespace {

// How the picture is written: the canvas PNG, or the strands as vectors or a print raster.
PrintPlan print_plan;

// The input that `output` names (the same file, by device and inode, under any name), or null.
const std::string* InputAt(const RenderOptions& o, const std::string& output) {
    struct stat out {};
    if (output.empty() || stat(output.c_str(), &out) != 0) return nullptr;
    std::vector<const std::string*> inputs = {&o.settings, &o.log, &o.from, &o.palette};
    for (const std::string& f : o.files) inputs.push_back(&f);
    for (const std::string* input : inputs) {
        struct stat in {};
        if (!input->empty() && stat(input->c_str(), &in) == 0 && in.st_dev == out.st_dev &&
            in.st_ino == out.st_ino)
            return input;
    }
    return nullptr;
}

}  // namespace

bool PlanOutputFor(const RenderOptions& o) {
    std::string error;
    if (PlanPrint(o, xs, ys, print_plan, error)) {
        if (print_plan.Records()) StartRecording();
        return true;
    }
    std::fprintf(stderr, "morvane-render: %s\n", error.c_str());
    return false;
}

bool WriteOutputWhole(const std::string& path, int thumb, std::span<const TextChunk> text) {
    sigset_t quit, before;
    sigemptyset(&quit);
    sigaddset(&quit, SIGINT);
    sigaddset(&quit, SIGTERM);
    sigprocmask(SIG_BLOCK, &quit, &before);
    const bool written = WritePicture(print_plan, path, thumb, text);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return written;
}

bool OutputsApart(const RenderOptions& o) {
    using Mode = RenderOptions::Mode;
    const bool picture = o.mode == Mode::Render || o.mode == Mode::Replay || o.mode == Mode::From;
    const bool image = picture && (o.output_given || !o.video_wanted());
    for (const std::string* output : {image ? &o.output : &o.sheet, &o.video, &o.sheet}) {
        if (const std::string* input = InputAt(o, *output)) {
            std::fprintf(stderr,
                         "morvane-render: %s is also an input (%s); choose another output\n",
                         output->c_str(), input->c_str());
            return false;
        }
    }
    return true;
}
