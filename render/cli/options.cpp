// SPDX-License-Identifier: MIT
// Parsing morvane-render's options. Every option is checked here, before anything is rendered,
// so that a mistake costs nothing and writes nothing.
#include "render/cli/options.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace {

// The most pictures one sweep or grid makes.
constexpr long MAX_PICTURES = 10000;

template <class T>
bool ParseNumber(std::string_view text, T& out) {
    if (text.empty() || text[0] == '+' || text[0] == '-') return false;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc{} && r.ptr == text.data() + text.size();
}

struct Parser {
    int argc;
    char** argv;
    int i = 1;
    std::string& error;

    // The value of option argv[i], or null (with the error set) when it is missing.
    const char* Value() {
        if (i + 1 >= argc) {
            error = std::string("option ") + argv[i] + " needs a value";
            return nullptr;
        }
        return argv[++i];
    }
    // A file or folder name: an empty one would quietly mean the default or the working folder.
    bool Text(std::string& out) {
        const char* v = Value();
        if (v && !*v) {
            error = std::string("option ") + argv[i - 1] + " needs a name, not an empty value";
            return false;
        }
        if (v) out = v;
        return v != nullptr;
    }
    template <class T>
    bool Number(T& out, const char* what) {
        const char* v = Value();
        if (!v) return false;
        if (!ParseNumber(v, out)) {
            error = std::string("option ") + argv[i - 1] + ": '" + v + "' is not " + what;
            return false;
        }
        return true;
    }
    // A number that must also lie in low..high; `range` says so in the error.
    template <class T>
    bool Bounded(T& out, const char* what, T low, T high, const char* range) {
        if (!Number(out, what)) return false;
        if (out >= low && out <= high) return true;
        error = std::string("option ") + argv[i - 1] + " takes " + range;
        return false;
    }
};

// "A..B": seeds A to B, both included.
bool ParseSeedRange(std::string_view text, RenderOptions& o, std::string& error) {
    const auto dots = text.find("..");
    if (dots == std::string_view::npos || !ParseNumber(text.substr(0, dots), o.sweep_first) ||
        !ParseNumber(text.substr(dots + 2), o.sweep_last)) {
        error = "option --sweep takes seeds as A..B, for instance 1..40";
        return false;
    }
    if (o.sweep_first > o.sweep_last) {
        error = "option --sweep: the range " + std::string(text) + " is empty or reversed";
        return false;
    }
    // Each picture is planned before the first is rendered; a typo must not plan billions.
    if (o.sweep_last - o.sweep_first >= MAX_PICTURES) {
        error = "option --sweep: at most " + std::to_string(MAX_PICTURES) +
                " seeds at once; split the range " + std::string(text);
        return false;
    }
    return true;
}

// A real number with an optional leading minus.
bool ParseReal(std::string_view text, double& out) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.remove_prefix(1);
    if (!ParseNumber(text, out) || !std::isfinite(out)) return false;
    if (negative) out = -out;
    return true;
}

// "KEY=FROM..TO:COUNT", KEY a settings-file key (checked against the table later); given twice,
// the two axes of a grid.
bool ParseVary(std::string_view text, RenderOptions& o, std::string& error) {
    const auto eq = text.find('=');
    const auto colon = text.rfind(':');
    const auto dots = eq == std::string_view::npos ? eq : text.find("..", eq + 2);
    VaryAxis axis;
    if (eq == std::string_view::npos || eq == 0 || colon == std::string_view::npos ||
        dots == std::string_view::npos || dots > colon ||
        !ParseReal(text.substr(eq + 1, dots - eq - 1), axis.from) ||
        !ParseReal(text.substr(dots + 2, colon - dots - 2), axis.to) ||
        !ParseNumber(text.substr(colon + 1), axis.count)) {
        error = "option --vary takes KEY=FROM..TO:COUNT, for instance \"curl=0..0.02:9\"";
        return false;
    }
    axis.key = text.substr(0, eq);
    long pictures = axis.count;
    for (const VaryAxis& other : o.vary) pictures *= other.count;
    if (axis.count < 1 || pictures > MAX_PICTURES) {
        error = o.vary.empty() ? "option --vary: COUNT must be 1 to 10000"
                               : "option --vary: a grid of " + std::to_string(pictures) +
                                     " pictures; at most 10000";
    } else if (o.vary.size() == 2) {
        error = "option --vary: at most two, the rows and the columns of a grid";
    } else if (!o.vary.empty() && o.vary.front().key == axis.key) {
        error = "option --vary: a grid needs two different keys, not \"" + axis.key + "\" twice";
    }
    if (!error.empty()) return false;
    o.vary.push_back(axis);
    return true;
}

// Real values of the print options, real numbers; their ranges depend on the page and the canvas,
// so PlanPrint checks them.
bool RealValue(Parser& p, std::optional<double>& out) {
    const char* v = p.Value();
    double d = 0;
    if (!v) return false;
    if (!ParseReal(v, d)) {
        p.error = std::string("option ") + p.argv[p.i - 1] + ": '" + v + "' is not a number";
        return false;
    }
    out = d;
    return true;
}

// The vector and print options; false when `arg` is none of them.
bool ParsePrintOption(Parser& p, std::string_view arg, RenderOptions& o, bool& ok) {
    if (arg == "--size") {
        ok = p.Text(o.size);
    } else if (arg == "--paper") {
        ok = p.Text(o.paper);
        if (ok && o.paper != "black" && o.paper != "white") {
            p.error = "option --paper takes black or white";
            ok = false;
        }
    } else if (arg == "--palette") {
        ok = p.Text(o.palette);
    } else if (arg == "--margin") {
        ok = RealValue(p, o.margin);
    } else if (arg == "--pen") {
        ok = RealValue(p, o.pen);
    } else if (arg == "--dpi") {
        ok = RealValue(p, o.dpi);
    } else if (arg == "--plot") {
        o.plot = true;
    } else if (arg == "--as-shown") {
        o.as_shown = true;
    } else {
        return false;
    }
    return true;
}

// The containers a video can be written in, picked by the file's extension.
bool KnownVideoExtension(const std::string& path) {
    const auto dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.') return false;
    const std::string ext = path.substr(dot);
    return ext == ".mp4" || ext == ".mkv" || ext == ".webm" || ext == ".gif";
}

// The options that make sense only together, or not at all together; sets `error` otherwise.
// Files on the command line make a sheet of them.
void CheckCombination(RenderOptions& o, int modes, std::string& error) {
    using Mode = RenderOptions::Mode;
    const bool picture =
        !o.settings.empty() || o.seed || o.frames || o.lit || o.white || o.fill_holes;
    const bool targeting = o.target != RenderOptions::Target::LastSave;
    const bool video = !o.video.empty() || !o.frames_dir.empty();
    // A palette colours a contact sheet too; the rest are for one picture.
    const bool print =
        !o.size.empty() || !o.paper.empty() || o.margin || o.pen || o.dpi || o.plot || o.as_shown;
    if (!o.files.empty()) {
        if (o.mode != Mode::Render || (o.sheet.empty() && !o.gallery) || picture) {
            error = "'" + o.files.front() + "': files go with --sheet SHEET.png or --gallery alone";
            return;
        }
        o.mode = Mode::Sheet;
    }
    const bool sweeping = o.mode == Mode::Sweep;
    if (modes > 1) {
        error = "choose one of --replay, --from, --history, --sweep and --vary";
    } else if (o.frames && o.lit) {
        error = "--frames and --lit cannot be used together";
    } else if (!sweeping && o.mode != Mode::Render && picture) {
        error =
            "--settings, --seed, --frames and --lit make a new picture; they do not go with "
            "--replay or --from";
    } else if (sweeping && o.vary.empty() && o.seed) {
        error = "--sweep names its seeds; --seed goes with --vary";
    } else if (o.mode != Mode::Replay && (targeting || o.list)) {
        error =
            "--save, --frame, --end, --before-restart and --list choose a state of a session: "
            "they go with --replay";
    } else if (o.list && (targeting || o.output_given || video)) {
        error = "--list only prints the session's saves and restarts; it writes nothing";
    } else if (o.mode == Mode::History && (o.output_given || video || o.thumb)) {
        error = "--history lists the kept sessions, or makes a --sheet of them";
    } else if (!o.sheet.empty() && !sweeping && o.mode != Mode::Sheet && o.mode != Mode::History) {
        error = "--sheet goes with --sweep, --vary, --history or a list of files";
    } else if (o.gallery && !sweeping && o.mode != Mode::Sheet && o.mode != Mode::History) {
        error = "--gallery goes with --sweep, --vary, --history or a list of files";
    } else if (video && o.mode != Mode::Render && o.mode != Mode::Replay) {
        error = "--video and --frames-dir go with a render or a --replay";
    } else if (print && (sweeping || o.mode == Mode::Sheet)) {
        error = "the print and vector options go with a render, --replay or --from";
    } else if (!o.video.empty() && !o.frames_dir.empty()) {
        error = "choose one of --video and --frames-dir";
    } else if (!o.video.empty() && !KnownVideoExtension(o.video)) {
        error = "--video " + o.video + ": name a .mp4, .mkv, .webm or .gif file";
    } else if (o.video_size > 0 && o.video.empty()) {
        error = "--video-size goes with --video";
    }
}

}  // namespace

std::optional<RenderOptions> ParseOptions(int argc, char** argv, std::string& error) {
    RenderOptions o;
    Parser p{argc, argv, 1, error};
    int modes = 0;  // --replay, --from, --sweep and --vary, counted to refuse two at once
    for (; p.i < argc; ++p.i) {
        const std::string_view arg = argv[p.i];
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            o.mode = RenderOptions::Mode::Help;
            return o;
        } else if (arg == "--version") {
            o.mode = RenderOptions::Mode::Version;
            return o;
        } else if (arg == "--settings") {
            ok = p.Text(o.settings);
        } else if (arg == "--seed") {
            std::uint32_t seed = 0;
            ok = p.Number(seed, "a seed from 0 to 4294967295");
            o.seed = seed;
        } else if (arg == "--frames") {
            std::uint64_t frames = 0;
            ok = p.Number(frames, "a whole number of frames");
            o.frames = frames;
        } else if (arg == "--lit") {
            double lit = 0;
            ok = p.Bounded(lit, "a percentage", 1e-9, 100.0, "a percentage above 0, at most 100");
            o.lit = lit;
        } else if (arg == "--replay" || arg == "--from") {
            ok = p.Text(arg == "--replay" ? o.log : o.from);
            o.mode = arg == "--replay" ? RenderOptions::Mode::Replay : RenderOptions::Mode::From;
            ++modes;
        } else if (arg == "--save") {
            ok = p.Bounded(o.target_number, "a save number", std::uint64_t{1}, UINT64_MAX,
                           "a save number counted from 1");
            o.target = RenderOptions::Target::Save;
        } else if (arg == "--frame") {
            ok = p.Number(o.target_number, "a frame number");
            o.target = RenderOptions::Target::Frame;
        } else if (arg == "--end") {
            o.target = RenderOptions::Target::End;
        } else if (arg == "--before-restart") {
            ok = p.Bounded(o.target_number, "a restart number", std::uint64_t{1}, UINT64_MAX,
                           "a restart number counted from 1");
            o.target = RenderOptions::Target::BeforeRestart;
        } else if (arg == "--list") {
            o.list = true;
        } else if (arg == "--history") {
            o.mode = RenderOptions::Mode::History;
            ++modes;
        } else if (arg == "-o" || arg == "--output") {
            ok = p.Text(o.output);
            o.output_given = ok;
        } else if (arg == "--thumb") {
            ok = p.Bounded(o.thumb, "a width in pixels", 1, 4096, "a width from 1 to 4096");
        } else if (arg == "--sweep" || arg == "--vary") {
            const char* v = p.Value();
            // A second --vary is the grid's other axis, not another mode.
            if (arg == "--sweep" || o.vary.empty()) ++modes;
            ok = v && (arg == "--sweep" ? ParseSeedRange(v, o, error) : ParseVary(v, o, error));
            o.mode = RenderOptions::Mode::Sweep;
        } else if (arg == "-j" || arg == "--jobs") {
            ok = p.Bounded(o.jobs, "a number of processes", 1, 256, "1 to 256 processes");
        } else if (arg == "--dir") {
            ok = p.Text(o.dir);
            o.dir_given = true;
        } else if (arg == "--white") {
            o.white = true;
        } else if (arg == "--fill-holes") {
            o.fill_holes = true;
        } else if (arg == "--gallery") {
            o.gallery = true;
        } else if (arg == "--video-size") {
            ok = p.Bounded(o.video_size, "a size in pixels", 16, 4096, "16 to 4096 pixels");
        } else if (arg == "--sheet") {
            ok = p.Text(o.sheet);
        } else if (arg == "--video") {
            ok = p.Text(o.video);
        } else if (arg == "--frames-dir") {
            ok = p.Text(o.frames_dir);
        } else if (arg == "--fps") {
            ok = p.Bounded(o.fps, "a frame rate", 1, 240, "1 to 240 frames a second");
        } else if (arg == "--every") {
            ok = p.Bounded(o.every, "a number of frames", 1, INT32_MAX, "1 or more frames");
        } else if (ParsePrintOption(p, arg, o, ok)) {
        } else if (arg == "--quiet" || arg == "-q") {
            o.quiet = true;
        } else if (arg == "--fingerprint") {
            o.fingerprint = true;
        } else if (!arg.empty() && arg[0] != '-') {
            o.files.emplace_back(arg);
        } else {
            error = "unknown option '" + std::string(arg) + "'";
            ok = false;
        }
        if (!ok) return std::nullopt;
    }
    CheckCombination(o, modes, error);
    if (!error.empty()) return std::nullopt;
    return o;
}

const char* HelpText() {
    return R"(usage:
  morvane-render [--settings FILE] [--seed N] [--frames N | --lit PERCENT] [--white]
                 [--fill-holes] [-o FILE]
  morvane-render --replay LOG [--save K | --frame F | --end | --before-restart K] [-o FILE]
  morvane-render --replay LOG --list
  morvane-render --history [--sheet SHEET.png] [--gallery [--dir DIR]]
  morvane-render --from IMAGE [-o FILE]
  morvane-render (--sweep A..B | --vary KEY=FROM..TO:COUNT [--vary ...]) [-j N] [--dir DIR]
                 [--sheet SHEET] [--gallery]
  morvane-render [--sheet SHEET.png] [--gallery [--dir DIR]] FILE...
  morvane-render ... --video OUT.mp4|.mkv|.webm|.gif [--fps N] [--every N] [--video-size PX]
  morvane-render ... --frames-dir DIR

Renders morvane pictures without a window, with the window program's own growth pass: the same
seed and settings give the same picture, sample for sample.

  --settings FILE   read the settings as morvane reads defaults.cfg (default: defaults.cfg in
                    this folder when present, else the built-in defaults)
  --seed N          the seed, 0..4294967295 (default: the clock; the seed is printed)
  --frames N        run N frames, as the window does at 60 a second
  --lit PERCENT     run until PERCENT of the canvas is lit (at most 36000 frames; default 25)
  --white           white sprouts on, as the window's toggle
  --fill-holes      pixel fill on, as the window's toggle (F)
  --replay LOG      render again the session recorded in LOG: a morvane.log, a file of the
                    session history, or @last, @2 ... for the newest kept sessions
  --save K          ... the canvas as the session's K-th successful image save wrote it
                    (default: the last one)
  --frame F         ... the canvas after frame F
  --end             ... the canvas when the program quit
  --before-restart K
                    ... the canvas just before the K-th restart cleared it
  --list            print the session's saves and restarts with their frames, write nothing
  --history         list the sessions morvane kept, newest first ($XDG_STATE_HOME/morvane/
                    sessions, else ~/.local/state/morvane/sessions); with --sheet, a contact
                    sheet of the final pictures of the newest nine; with --gallery, those
                    pictures and a gallery page in --dir (default history)
  --from IMAGE      render again the picture of a PNG that morvane-render wrote
  -o FILE           the PNG to write (default morvane-render.png), replaced only once complete
  --thumb PX        write an 8-bit greyscale PNG PX pixels wide instead, each pixel the brightest
                    canvas pixel it covers (icons, contact sheets)
  --sweep A..B      render seeds A to B (at most 10000) with the same settings, as seed-0001.png
                    ...
  --vary KEY=FROM..TO:COUNT
                    render COUNT values of one setting (its defaults.cfg key, or white or
                    fill-holes) at one seed; given twice, a grid of rows and columns (at most
                    10000 pictures)
  -j N              N renders at once (default: one per core); Ctrl-C leaves no half-written
                    file, and the same command again renders only what is missing
  --dir DIR         where a sweep makes the folder of its pictures, named by its stop and what
                    they share (default sweep); the folder of a gallery of files
  --sheet SHEET     tile the sweep's pictures, or the 16-bit PNG files named, into an 8-bit
                    contact sheet labelled from their tEXt chunks
  --gallery         write index.html beside the pictures: a page of thumbnails, each opening
                    the picture with its settings and the command that renders it again
  --video OUT       encode every N-th frame as the window shows it with ffmpeg, the container
                    by the extension: .mp4 or .mkv (H.264), .webm (VP9), .gif (with a render or
                    a --replay; the image then only with -o)
  --fps N           the video's frame rate (default 30)
  --every N         take every N-th frame (default 1)
  --video-size PX   scale the video down to at most PX pixels on its longer side, each pixel the
                    brightest of the block it covers
  --frames-dir DIR  write the frames as numbered PNGs instead
  --quiet           no progress or summary on standard error
  --fingerprint     print the canvas fingerprint (FNV-1a 64 of its 16-bit values) and the output

Print and vectors (-o FILE.svg or FILE.pdf: the strands as the growth walked them, graded as
the canvas shades them; -o FILE.png with a page option: drawn anti-aliased at print resolution):
  --size PAGE       A4, A3, A2 (landscape for a wide canvas), WxHmm or WxHin (default: the
                    canvas at 96 px per inch)
  --margin MM       around the canvas (default 10 with --size, else 0)
  --paper COLOUR    black or white (lines drawn as their negative)
  --pen MM          stroke width (default: one canvas pixel on the page)
  --dpi N           a print PNG's resolution (default 300, 16-bit); with the plain canvas PNG
                    only its pHYs chunk
  --palette MAP     ink, ember, ice, sepia or a file of "VALUE #rrggbb" lines (VALUE 0..65535):
                    16-bit RGB PNGs and coloured strokes; its colour at 0 is the paper
  --plot            an SVG for a pen plotter: plain paths in mm, one colour, split at the
                    canvas edges, ordered for short pen travel; prints the pen-down length
  --as-shown        the 16-bit canvas as the window shows it, without the save's hole fill
  --version, --help

The output is the 16-bit greyscale PNG that morvane's S key writes at that state, with tEXt
chunks (Software, morvane:seed, morvane:frames, morvane:toggles, morvane:settings, or the
compressed morvane:journal and morvane:target for a replay) from which --from renders it again.

The journal: morvane.log holds one line per event after its time stamp; N is the number of frames
rendered before the event; strings are quoted, with '"', '%', '\', control bytes and bytes above
0x7E written as %HH:
  journal start seed=S size=WxH        the seed and the canvas size
  journal @N set "KEY" VALUE            a setting holds VALUE (all at start, then each change)
  journal @N flag pause|fill|white 0|1  a toggle's effective flag changed
  journal @N restart                    a restart was requested
  journal @N save ok|failed "PATH"      an image save and whether it wrote the file
  journal @N cut A                      frame N+1 was cut short after A attempts (a quit)
  journal @N lost K                     the log lost K lines from frame N on (a full disk): refused
  journal @N end                        the program quit

Exit codes: 0 written; 1 nothing written (unreadable input, a corrupt journal, a save the session
does not have, an output that cannot be written); 2 a usage error; 130 a sweep interrupted.
)";
}
