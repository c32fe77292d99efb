// Parsing morvane-render's options. Every option is checked here, before anything is rendered,
// so that a mistake costs nothing and writes nothing.
#include "render/options.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace {

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
};

}  // namespace

std::optional<RenderOptions> ParseOptions(int argc, char** argv, std::string& error) {
    RenderOptions o;
    Parser p{argc, argv, 1, error};
    int modes = 0;  // --replay and --from, counted to refuse both at once
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
            const char* v = p.Value();
            ok = v != nullptr;
            if (ok) o.settings = v;
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
            ok = p.Number(lit, "a percentage");
            if (ok && !(lit > 0 && lit <= 100)) {
                error = "option --lit takes a percentage above 0 and at most 100";
                ok = false;
            }
            o.lit = lit;
        } else if (arg == "--replay") {
            const char* v = p.Value();
            ok = v != nullptr;
            if (ok) o.log = v;
            o.mode = RenderOptions::Mode::Replay;
            ++modes;
        } else if (arg == "--save") {
            ok = p.Number(o.target_number, "a save number (1 for the first save)");
            if (ok && o.target_number == 0) {
                error = "option --save counts from 1";
                ok = false;
            }
            o.target = RenderOptions::Target::Save;
        } else if (arg == "--frame") {
            ok = p.Number(o.target_number, "a frame number");
            o.target = RenderOptions::Target::Frame;
        } else if (arg == "--end") {
            o.target = RenderOptions::Target::End;
        } else if (arg == "--from") {
            const char* v = p.Value();
            ok = v != nullptr;
            if (ok) o.from = v;
            o.mode = RenderOptions::Mode::From;
            ++modes;
        } else if (arg == "-o" || arg == "--output") {
            const char* v = p.Value();
            ok = v != nullptr && *v != '\0';
            if (v && !*v) error = "option -o needs a file name";
            if (ok) o.output = v;
        } else if (arg == "--thumb") {
            ok = p.Number(o.thumb, "a width in pixels");
            if (ok && (o.thumb < 1 || o.thumb > 4096)) {
                error = "option --thumb takes a width from 1 to 4096";
                ok = false;
            }
        } else if (arg == "--quiet" || arg == "-q") {
            o.quiet = true;
        } else {
            error = "unknown option '" + std::string(arg) + "'";
            ok = false;
        }
        if (!ok) return std::nullopt;
    }
    const bool rendering = !o.settings.empty() || o.seed || o.frames || o.lit;
    const bool targeting = o.target != RenderOptions::Target::LastSave;
    if (modes > 1)
        error = "--replay and --from cannot be used together";
    else if (o.frames && o.lit)
        error = "--frames and --lit cannot be used together";
    else if (o.mode != RenderOptions::Mode::Render && rendering)
        error =
            "--settings, --seed, --frames and --lit make a new picture; they do not go with "
            "--replay or --from";
    else if (o.mode != RenderOptions::Mode::Replay && targeting)
        error = "--save, --frame and --end choose a state of a session: they go with --replay";
    if (!error.empty()) return std::nullopt;
    return o;
}

const char* HelpText() {
    return R"(usage:
  morvane-render [--settings FILE] [--seed N] [--frames N | --lit PERCENT] [-o FILE]
  morvane-render --replay LOG [--save K | --frame F | --end] [-o FILE]
  morvane-render --from IMAGE [-o FILE]

Renders morvane pictures without a window, with the window program's own growth pass: the same
seed and settings give the same picture, sample for sample.

  --settings FILE   read the settings as morvane reads defaults.cfg (default: defaults.cfg in
                    this folder when present, else the built-in defaults)
  --seed N          the seed, 0..4294967295 (default: the clock; the seed is printed)
  --frames N        run N frames, as the window does at 60 a second (default 600)
  --lit PERCENT     run until PERCENT of the canvas is lit (at most 36000 frames)
  --replay LOG      render again the session recorded in LOG (a morvane.log)
  --save K          ... the canvas as the session's K-th successful image save wrote it
                    (default: the last one)
  --frame F         ... the canvas after frame F
  --end             ... the canvas when the program quit
  --from IMAGE      render again the picture of a PNG that morvane-render wrote
  -o FILE           the PNG to write (default morvane-render.png), replaced only once complete
  --thumb PX        write an 8-bit greyscale PNG PX pixels wide instead, each pixel the brightest
                    canvas pixel it covers (icons, contact sheets)
  --quiet           no progress or summary on standard error
  --version, --help

The output is the 16-bit greyscale PNG that morvane's S key writes at that state, with tEXt
chunks (Software, morvane:seed, morvane:frames, morvane:settings, or morvane:journal and
morvane:target for a replay) from which --from renders it again.

The journal: morvane.log holds one line per event after its time stamp; N is the number of frames
rendered before the event; strings are quoted, with '"', '%', '\', control bytes and bytes above
0x7E written as %HH:
  journal start seed=S size=WxH        the seed and the canvas size
  journal @N set "KEY" VALUE            a setting holds VALUE (all at start, then each change)
  journal @N flag pause|fill|white 0|1  a toggle's effective flag changed
  journal @N restart                    a restart was requested
  journal @N save ok|failed "PATH"      an image save and whether it wrote the file
  journal @N end [after A attempts]     the program quit (cutting frame N+1 after A attempts)

Exit codes: 0 written; 1 nothing written (unreadable input, a corrupt journal, a save the session
does not have, an output that cannot be written); 2 a usage error.
)";
}
