// SPDX-License-Identifier: MIT
// The subcommands of morvane-render and their options. Start at SUBCOMMANDS at the bottom: each
// row lists the option groups it takes; the groups above it are shared by the subcommands that
// make the same kind of output. An option's setter checks its value; what depends on the canvas
// (a page against the picture) is checked later, still before anything is rendered.
#include "render/cli/table.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "render/cli/values.h"

namespace {

constexpr std::uint64_t MAX_U64 = std::numeric_limits<std::uint64_t>::max();

// Options of a new picture: the settings, the seed, the stop and the toggles.
constexpr OptionRow PICTURE[] = {
    {"--seed", nullptr, "N", "The seed, 0 to 4294967295 (default: the clock; the seed is printed).",
     [](const OptionValue& v, RenderOptions& o) {
         std::uint32_t seed = 0;
         if (!Whole(v, seed, 0u, UINT32_MAX, "a seed from 0 to 4294967295")) return false;
         o.seed = seed;
         return true;
     }},
    {"--settings", nullptr, "FILE",
     "Read the settings as morvane reads defaults.cfg (default: defaults.cfg in this folder when "
     "present, else the built-in defaults).",
     [](const OptionValue& v, RenderOptions& o) { return Name(v, o.settings); }},
    {"--frames", nullptr, "N", "Run N frames, as the window does at 60 a second.",
     [](const OptionValue& v, RenderOptions& o) {
         std::uint64_t frames = 0;
         if (!Whole(v, frames, std::uint64_t{0}, MAX_U64, "a whole number of frames")) return false;
         o.frames = frames;
         return true;
     }},
    {"--lit", nullptr, "PERCENT",
     "Run until PERCENT of the canvas is lit, at most 36000 frames (the default: 25).",
     [](const OptionValue& v, RenderOptions& o) {
         double lit = 0;
         if (!ParseNumber(std::string_view(v.text), lit) || !(lit > 0) || lit > 100)
             return Refuse(v, "takes a percentage above 0, at most 100");
         o.lit = lit;
         return true;
     }},
    {"--white", nullptr, nullptr, "White sprouts on from the first frame, as the window's toggle.",
     [](const OptionValue&, RenderOptions& o) { return o.white = true; }},
    {"--fill-holes", nullptr, nullptr,
     "Pixel fill on from the first frame, as the window's toggle (F).",
     [](const OptionValue&, RenderOptions& o) { return o.fill_holes = true; }},
};
// A sweep names its seeds as its operand (--seed comes first above); the rest of a picture's
// options hold.
constexpr std::span<const OptionRow> SWEEP_PICTURE{PICTURE + 1, std::size(PICTURE) - 1};

constexpr OptionRow VARY[] = {
    {"--vary", nullptr, "KEY=FROM..TO:COUNT",
     "COUNT values of one setting (its defaults.cfg key, or white or fill-holes) from FROM to TO; "
     "given twice, the rows and the columns of a grid (at most 10000 pictures).",
     Vary},
};

// Which state of a session a replay writes.
template <RenderOptions::Target target>
bool SetTarget(const OptionValue& v, RenderOptions& o, const char* what) {
    if (o.target != RenderOptions::Target::LastSave)
        return Refuse(v, ": choose one of --save, --frame, --end and --before-restart");
    o.target = target;
    if (!what) return true;
    const std::uint64_t low = target == RenderOptions::Target::Frame ? 0 : 1;
    return Whole(v, o.target_number, low, MAX_U64, what);
}
constexpr OptionRow STATE[] = {
    {"--save", nullptr, "K",
     "The canvas as the session's K-th successful image save wrote it (default: the last one).",
     [](const OptionValue& v, RenderOptions& o) {
         return SetTarget<RenderOptions::Target::Save>(v, o, "a save number counted from 1");
     }},
    {"--frame", nullptr, "F", "The canvas after frame F.",
     [](const OptionValue& v, RenderOptions& o) {
         return SetTarget<RenderOptions::Target::Frame>(v, o, "a frame number");
     }},
    {"--end", nullptr, nullptr, "The canvas when the program quit.",
     [](const OptionValue& v, RenderOptions& o) {
         return SetTarget<RenderOptions::Target::End>(v, o, nullptr);
     }},
    {"--before-restart", nullptr, "K", "The canvas just before the K-th restart cleared it.",
     [](const OptionValue& v, RenderOptions& o) {
         return SetTarget<RenderOptions::Target::BeforeRestart>(v, o,
                                                                "a restart number counted from 1");
     }},
    {"--list", nullptr, nullptr,
     "Print the session's saves and restarts with their frames; write nothing.",
     [](const OptionValue&, RenderOptions& o) { return o.list = true; }},
};

// The picture file; a sweep's pictures take only --thumb (the last row).
constexpr OptionRow IMAGE[] = {
    {"--output", "-o", "FILE",
     "The file to write (default morvane-render.png), replaced only once complete. Its extension "
     "chooses what it is: .png the canvas as the S key saves it, .svg or .pdf the strands as "
     "vectors over the saved picture, .hpgl or .plt a plot in HPGL, .html a page that grows the "
     "picture live in a browser.",
     [](const OptionValue& v, RenderOptions& o) { return o.output_given = Name(v, o.output); }},
    {"--fingerprint", nullptr, nullptr,
     "Print the canvas fingerprint of the picture written (FNV-1a 64 of its 16-bit values in row "
     "order), as a web page of it shows it.",
     [](const OptionValue&, RenderOptions& o) { return o.fingerprint = true; }},
    {"--thumb", nullptr, "PX",
     "Write an 8-bit greyscale PNG PX pixels wide instead, each pixel the brightest canvas pixel "
     "it covers (icons, contact sheets).",
     [](const OptionValue& v, RenderOptions& o) {
         return Whole(v, o.thumb, 1, 4096, "a width from 1 to 4096");
     }},
};
constexpr std::span<const OptionRow> THUMB{IMAGE + 2, 1};

constexpr OptionRow PALETTE[] = {
    {"--palette", nullptr, "MAP",
     "ink, ember, ice, sepia or a file of \"VALUE #rrggbb\" lines (VALUE 0..65535, at least two, "
     "rising): 16-bit RGB PNGs, coloured strokes and sheets; its colour at 0 is the paper.",
     [](const OptionValue& v, RenderOptions& o) { return Name(v, o.palette); }},
};

// The picture on a page: print rasters, SVG and PDF, pen plots.
constexpr OptionRow PRINT[] = {
    {"--size", nullptr, "PAGE",
     "A0 to A6, B4, B5, Letter, Legal or Tabloid (turned to the canvas; A4-portrait or "
     "A4-landscape to choose), WxHmm or WxHin (default: the canvas at 96 px per inch). With a "
     ".png output, the picture drawn anti-aliased at print resolution.",
     [](const OptionValue& v, RenderOptions& o) { return Name(v, o.size); }},
    {"--margin", nullptr, "MM", "Around the canvas (default 10 with --size, else 0).",
     [](const OptionValue& v, RenderOptions& o) { return Real(v, o.margin); }},
    {"--paper", nullptr, "COLOUR", "black or white (on white the lines are their negative).",
     [](const OptionValue& v, RenderOptions& o) {
         if (std::string_view(v.text) != "black" && std::string_view(v.text) != "white")
             return Refuse(v, "takes black or white");
         o.paper = v.text;
         return true;
     }},
    {"--pen", nullptr, "MM", "The stroke width (default: one canvas pixel on the page).",
     [](const OptionValue& v, RenderOptions& o) { return Real(v, o.pen); }},
    {"--dpi", nullptr, "N",
     "A print PNG's resolution (default 300, 16-bit); with the plain canvas PNG only its pHYs "
     "chunk.",
     [](const OptionValue& v, RenderOptions& o) { return Real(v, o.dpi); }},
    {"--plot", nullptr, nullptr,
     "An SVG for a pen plotter (-o FILE.hpgl or .plt: HPGL): paths in mm in one Inkscape layer "
     "per pen, joined, simplified and ordered for short pen travel; prints paths, pen-down and "
     "pen-up length per layer.",
     [](const OptionValue&, RenderOptions& o) { return o.plot = true; }},
    {"--as-shown", nullptr, nullptr,
     "The canvas as the window shows it, without the save's hole fill: the canvas PNG, or the "
     "strands alone on a page (SVG, PDF, print PNG).",
     [](const OptionValue&, RenderOptions& o) { return o.as_shown = true; }},
};

// A plot's plan: pens, and what is joined, simplified and left out.
constexpr OptionRow PLOT[] = {
    {"--pens", nullptr, "N",
     "A plot in N pens (1 to 16, default 1): the strands sorted by grey into one layer per pen, "
     "faintest first.",
     [](const OptionValue& v, RenderOptions& o) {
         int pens = 0;
         if (!Whole(v, pens, 1, 16, "1 to 16 pens")) return false;
         o.pens = pens;
         return true;
     }},
    {"--min-grey", nullptr, "G", "A plot leaves out lines fainter than G (0 to 1, default 0).",
     [](const OptionValue& v, RenderOptions& o) { return Real(v, o.min_grey); }},
    {"--merge", nullptr, "MM",
     "A plot joins paths whose ends are within MM (default: the pen's width).",
     [](const OptionValue& v, RenderOptions& o) { return Real(v, o.merge); }},
    {"--simplify", nullptr, "MM",
     "A plot's paths stay within MM of the strands (default: a fifth of the pen).",
     [](const OptionValue& v, RenderOptions& o) { return Real(v, o.simplify); }},
    {"--min-length", nullptr, "MM",
     "A plot leaves out paths shorter than MM (default: the pen's width).",
     [](const OptionValue& v, RenderOptions& o) { return Real(v, o.min_length); }},
};

constexpr OptionRow VIDEO[] = {
    {"--video", nullptr, "OUT",
     "Encode every N-th frame as the window shows it with ffmpeg, the container by the "
     "extension: .mp4 or .mkv (H.264), .webm (VP9), .gif; the image is then written only with -o.",
     [](const OptionValue& v, RenderOptions& o) { return Name(v, o.video); }},
    {"--fps", nullptr, "N", "The video's frame rate (default 30).",
     [](const OptionValue& v, RenderOptions& o) {
         return Whole(v, o.fps, 1, 240, "1 to 240 frames a second");
     }},
    {"--every", nullptr, "N", "Take every N-th frame (default 1).",
     [](const OptionValue& v, RenderOptions& o) {
         return Whole(v, o.every, 1, INT32_MAX, "1 or more frames");
     }},
    {"--video-size", nullptr, "PX",
     "Scale the video down to at most PX pixels on its longer side, each pixel the brightest of "
     "the block it covers.",
     [](const OptionValue& v, RenderOptions& o) {
         return Whole(v, o.video_size, 16, 4096, "16 to 4096 pixels");
     }},
    {"--frames-dir", nullptr, "DIR", "Write the frames as numbered PNGs in DIR instead.",
     [](const OptionValue& v, RenderOptions& o) { return Name(v, o.frames_dir); }},
};

// Many pictures at once, and what is made of them.
constexpr OptionRow BATCH[] = {
    {"--jobs", "-j", "N",
     "N renders at once (default: one per core); Ctrl-C leaves no half-written file, and the same "
     "command again renders only what is missing.",
     [](const OptionValue& v, RenderOptions& o) {
         return Whole(v, o.jobs, 1, 256, "1 to 256 processes");
     }},
    {"--dir", nullptr, "DIR",
     "Where the folder of the pictures is made, named by their stop and a hash of what they share "
     "(default sweep).",
     [](const OptionValue& v, RenderOptions& o) { return o.dir_given = Name(v, o.dir); }},
    {"--sheet", nullptr, "SHEET",
     "Also tile the pictures into an 8-bit contact sheet, labelled with what makes each differ.",
     [](const OptionValue& v, RenderOptions& o) { return Name(v, o.sheet); }},
    {"--gallery", nullptr, nullptr,
     "Also write index.html and thumbs/ beside the pictures: a page to browse them from file://.",
     [](const OptionValue&, RenderOptions& o) { return o.gallery = true; }},
};

constexpr OptionRow KEPT[] = {
    {"--sheet", nullptr, "SHEET",
     "A contact sheet of the pictures the nine newest sessions kept (each one's last save, else "
     "its end), labelled with start time and seed. A session whose last save left its thumbnail "
     "beside it is not replayed.",
     [](const OptionValue& v, RenderOptions& o) { return Name(v, o.sheet); }},
    {"--gallery", nullptr, nullptr,
     "Render the pictures the nine newest sessions kept into --dir with a gallery page.",
     [](const OptionValue&, RenderOptions& o) { return o.gallery = true; }},
    {"--dir", nullptr, "DIR", "The folder of the gallery (default history).",
     [](const OptionValue& v, RenderOptions& o) { return o.dir_given = Name(v, o.dir); }},
};

constexpr OptionRow SHEET[] = {
    {"--output", "-o", "SHEET",
     "The contact sheet to write (default sheet.png): the pictures in a near-square grid of 256 px "
     "tiles, each labelled from the picture's own text chunks.",
     [](const OptionValue& v, RenderOptions& o) { return Name(v, o.sheet); }},
};

constexpr OptionRow GALLERY[] = {
    {"--dir", nullptr, "DIR",
     "Where index.html and thumbs/ go (default: the folder of the first file).",
     [](const OptionValue& v, RenderOptions& o) { return o.dir_given = Name(v, o.dir); }},
};

constexpr OptionRow COMMON[] = {
    {"--quiet", "-q", nullptr, "No progress or summary on the standard error.",
     [](const OptionValue&, RenderOptions& o) { return o.quiet = true; }},
};

constexpr OptionGroup G_PICTURE{"A new picture", PICTURE};
constexpr OptionGroup G_SWEEP_PICTURE{"The pictures", SWEEP_PICTURE};
constexpr OptionGroup G_VARY{"The values", VARY};
constexpr OptionGroup G_STATE{"Which state of the session", STATE};
constexpr OptionGroup G_IMAGE{"Output", IMAGE};
constexpr OptionGroup G_THUMB{"Output", THUMB};
constexpr OptionGroup G_PRINT{"Print and vectors", PRINT};
constexpr OptionGroup G_PLOT{"Pen plots", PLOT};
constexpr OptionGroup G_PALETTE{"Colour", PALETTE};
constexpr OptionGroup G_VIDEO{"Time-lapse", VIDEO};
constexpr OptionGroup G_BATCH{"Many pictures", BATCH};
constexpr OptionGroup G_KEPT{"Pictures of the kept sessions", KEPT};
constexpr OptionGroup G_SHEET{"Output", SHEET};
constexpr OptionGroup G_GALLERY{"Output", GALLERY};
constexpr OptionGroup G_COMMON{"General", COMMON};

constexpr const OptionGroup* RENDER_GROUPS[] = {&G_PICTURE, &G_IMAGE, &G_PRINT, &G_PLOT,
                                                &G_PALETTE, &G_VIDEO, &G_COMMON};
constexpr const OptionGroup* REPLAY_GROUPS[] = {&G_STATE,   &G_IMAGE, &G_PRINT, &G_PLOT,
                                                &G_PALETTE, &G_VIDEO, &G_COMMON};
constexpr const OptionGroup* FROM_GROUPS[] = {&G_IMAGE, &G_PRINT, &G_PLOT, &G_PALETTE, &G_COMMON};
constexpr const OptionGroup* HISTORY_GROUPS[] = {&G_KEPT, &G_COMMON};
constexpr const OptionGroup* SWEEP_GROUPS[] = {&G_SWEEP_PICTURE, &G_BATCH, &G_THUMB, &G_PALETTE,
                                               &G_COMMON};
constexpr const OptionGroup* GRID_GROUPS[] = {&G_VARY,  &G_PICTURE, &G_BATCH,
                                              &G_THUMB, &G_PALETTE, &G_COMMON};
constexpr const OptionGroup* SHEET_GROUPS[] = {&G_SHEET, &G_PALETTE, &G_COMMON};
constexpr const OptionGroup* GALLERY_GROUPS[] = {&G_GALLERY, &G_COMMON};

constexpr const char* RENDER_EXAMPLES[] = {
    "morvane-render render --seed 1733600000 -o pic.png",
    "morvane-render render --settings my.cfg --seed 7 --lit 60 -o pic.png",
    "morvane-render render --seed 7 --frames 600 --every 2 --video growth.mp4",
    "morvane-render render --seed 7 --lit 20 -o pic.pdf --size A3 --margin 15 --paper white",
    "morvane-render render --seed 7 --lit 20 -o ember.png --palette ember",
    "morvane-render render --seed 7 --lit 20 -o pens.svg --plot --pens 4 --size A4 --pen 0.3",
    "morvane-render render --seed 7 --frames 60 -o grow.html --fingerprint",
};
constexpr const char* REPLAY_EXAMPLES[] = {
    "morvane-render replay morvane.log -o pic.png",
    "morvane-render replay morvane.log --save 2 -o pic.png",
    "morvane-render replay morvane.log --frame 90 --as-shown -o seen.png",
    "morvane-render replay @2 --list",
    "morvane-render replay @2 --before-restart 1 -o cleared.png",
};
constexpr const char* FROM_EXAMPLES[] = {
    "morvane-render from pic.png -o again.png",
};
constexpr const char* HISTORY_EXAMPLES[] = {
    "morvane-render history",
    "morvane-render history --sheet recent.png",
};
constexpr const char* SWEEP_EXAMPLES[] = {
    "morvane-render sweep 1..12 --settings my.cfg --frames 40 --sheet seeds.png",
};
constexpr const char* GRID_EXAMPLES[] = {
    "morvane-render grid --vary curl=0..0.02:5 --seed 7 --sheet curl.png",
    "morvane-render grid --vary white=0..1:2 --vary probability=0..0.05:3 --seed 7 --gallery",
};
constexpr const char* SHEET_EXAMPLES[] = {
    "morvane-render sheet -o both.png pic.png again.png",
};
constexpr const char* GALLERY_EXAMPLES[] = {
    "morvane-render gallery --dir pictures pic.png again.png",
};

constexpr SubcommandRow SUBCOMMANDS[] = {
    {"render", RenderOptions::Mode::Render, "", 0, 0, nullptr,
     "Grow a new picture from settings and a seed.",
     "Grows a picture with the window program's own growth pass and writes it: the same seed and "
     "settings give the same picture, sample for sample. Without --frames or --lit a render stops "
     "once 25% of the canvas is lit.",
     RENDER_GROUPS, RENDER_EXAMPLES},
    {"replay", RenderOptions::Mode::Replay, "LOG|@N", 1, 1,
     [](const char* t, RenderOptions& o, std::string& e) { return Operand(t, o.log, e); },
     "Render a live session again from its journal.",
     "Runs the frames of a session of the window program with the settings in force at each of "
     "them, from the journal in a morvane.log, a file of the session history, or @last, @2 ... "
     "for the newest kept sessions; writes the state chosen (default: its last save).",
     REPLAY_GROUPS, REPLAY_EXAMPLES},
    {"from", RenderOptions::Mode::From, "FILE", 1, 1,
     [](const char* t, RenderOptions& o, std::string& e) { return Operand(t, o.from, e); },
     "Render a picture again from a PNG morvane or morvane-render wrote.",
     "Reads the seed and settings, or the journal, from the picture's text chunks and renders the "
     "same picture again.",
     FROM_GROUPS, FROM_EXAMPLES},
    {"history", RenderOptions::Mode::History, "", 0, 0, nullptr,
     "List the sessions morvane kept, or make a sheet or gallery of them.",
     "Lists the sessions of $XDG_STATE_HOME/morvane/sessions (else ~/.local/state/morvane/"
     "sessions), newest first, as @last, @2 ...; replay takes those names.",
     HISTORY_GROUPS, HISTORY_EXAMPLES},
    {"sweep", RenderOptions::Mode::Sweep, "A..B", 1, 1, SeedRange,
     "Render seeds A to B with the same settings, on every core.",
     "Renders each seed from A to B (at most 10000) in a process of its own into a folder named "
     "by the stop and a hash of what the pictures share, as seed-0001.png ...",
     SWEEP_GROUPS, SWEEP_EXAMPLES},
    {"grid", RenderOptions::Mode::Grid, "", 0, 0, nullptr,
     "Render the values of one or two settings at one seed.",
     "Renders COUNT values of a setting at one seed, or with --vary given twice a grid of rows and "
     "columns, each picture named by its values.",
     GRID_GROUPS, GRID_EXAMPLES},
    {"sheet", RenderOptions::Mode::Sheet, "FILE...", 1, -1,
     [](const char* t, RenderOptions& o, std::string& e) {
         o.files.emplace_back(t);
         return Operand(t, o.files.back(), e);
     },
     "Tile pictures made earlier into a contact sheet.",
     "Tiles the 16-bit PNG files named, here or from anywhere, into an 8-bit contact sheet, each "
     "labelled from its own text chunks.",
     SHEET_GROUPS, SHEET_EXAMPLES},
    {"gallery", RenderOptions::Mode::Gallery, "FILE...", 1, -1,
     [](const char* t, RenderOptions& o, std::string& e) {
         o.files.emplace_back(t);
         return Operand(t, o.files.back(), e);
     },
     "Write a gallery page of pictures made earlier.",
     "Writes index.html and thumbs/ for the PNG files named: a static page that works from "
     "file:// with no server, each picture shown with its seed, settings and the command that "
     "renders it again.",
     GALLERY_GROUPS, GALLERY_EXAMPLES},
};

}  // namespace

std::span<const SubcommandRow> Subcommands() {
    return SUBCOMMANDS;
}

const SubcommandRow* FindSubcommand(std::string_view name) {
    for (const SubcommandRow& sub : SUBCOMMANDS)
        if (name == sub.name) return &sub;
    return nullptr;
}

const OptionRow* FindOption(const SubcommandRow& sub, std::string_view name) {
    for (const OptionGroup* group : sub.groups)
        for (const OptionRow& option : group->options)
            if (name == option.name || (option.alias && name == option.alias)) return &option;
    return nullptr;
}
