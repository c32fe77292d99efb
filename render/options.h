// The command line of morvane-render: what to render and where to write it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct RenderOptions {
    enum class Mode { Render, Replay, From, Help, Version };
    enum class Target { LastSave, Save, Frame, End };

    Mode mode = Mode::Render;
    // Render: the settings file (empty: defaults.cfg when present), the seed (none: the clock),
    // and when to stop: after `frames` frames, or once `lit` percent of the canvas is lit.
    std::string settings;
    std::optional<std::uint32_t> seed;
    std::optional<std::uint64_t> frames;
    std::optional<double> lit;
    // Replay: the log and which state of the session to write.
    std::string log;
    Target target = Target::LastSave;
    std::uint64_t target_number = 0;  // K of --save K, F of --frame F
    // From: a PNG the renderer wrote.
    std::string from;

    std::string output = "morvane-render.png";
    int thumb = 0;  // > 0: an 8-bit thumbnail this many pixels wide instead of the 16-bit image
    bool quiet = false;
};

// Parses argv; on a usage error returns nothing and puts one line saying what is wrong in
// `error`.
std::optional<RenderOptions> ParseOptions(int argc, char** argv, std::string& error);
// The --help text: usage, options, the journal format, exit codes.
const char* HelpText();
