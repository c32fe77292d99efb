// SPDX-License-Identifier: MIT
// morvane-render: renders morvane pictures without a window. The command line names a
// subcommand (render/cli/table.cpp lists them with their options); main reads it and runs the
// subcommand's job from the table below.
#include <cstdio>
#include <string>

#include "morvane/version.h"
#include "render/batch/jobs.h"
#include "render/cli/command_line.h"
#include "render/out/output.h"
#include "render/session/history.h"
#include "render/session/picture.h"
#include "render/session/session.h"

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

// The job of each subcommand.
struct Job {
    RenderOptions::Mode mode;
    int (*run)(const RenderOptions& o);
};
constexpr Job JOBS[] = {
    {RenderOptions::Mode::Render, RenderCommand}, {RenderOptions::Mode::Replay, ReplayCommand},
    {RenderOptions::Mode::From, FromCommand},     {RenderOptions::Mode::History, HistoryCommand},
    {RenderOptions::Mode::Sweep, SweepCommand},   {RenderOptions::Mode::Grid, SweepCommand},
    {RenderOptions::Mode::Sheet, SheetCommand},   {RenderOptions::Mode::Gallery, GalleryCommand},
};

// A job that writes one picture checks its outputs can be written before any frame runs.
bool PictureOutputsWritable(const RenderOptions& o) {
    using Mode = RenderOptions::Mode;
    if (o.mode != Mode::Render && o.mode != Mode::Replay && o.mode != Mode::From) return true;
    if (o.list) return true;
    return OutputWritable(o.output) && (o.video.empty() || OutputWritable(o.video));
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto command = ParseCommandLine(argc, argv, error);
    if (!command) {
        std::fprintf(stderr, "morvane-render: %s\n", error.c_str());
        // The old form's line already names the command to type.
        const SubcommandRow* sub = argc > 1 ? FindSubcommand(argv[1]) : nullptr;
        if (sub) std::fprintf(stderr, "Try 'morvane-render %s --help'.\n", sub->name);
        if (!sub && (argc < 2 || argv[1][0] != '-'))
            std::fputs("Try 'morvane-render --help'.\n", stderr);
        return EXIT_USAGE;
    }
    switch (command->ask) {
        case CommandLine::Ask::Overview:
            std::fputs(OverviewText().c_str(), stdout);
            return 0;
        case CommandLine::Ask::Help:
            std::fputs(SubcommandHelp(*command->sub).c_str(), stdout);
            return 0;
        case CommandLine::Ask::Version:
            std::printf("morvane-render %s\n", MORVANE_VERSION);
            return 0;
        case CommandLine::Ask::Run:
            break;
    }
    const RenderOptions& o = command->options;
    if (!OutputsApart(o) || !PictureOutputsWritable(o)) return EXIT_FAILED;
    for (const Job& job : JOBS)
        if (job.mode == o.mode) return job.run(o);
    return EXIT_FAILED;
}
