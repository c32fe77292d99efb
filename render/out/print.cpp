// SPDX-License-Identifier: MIT
// Planning a picture's output from the options and the canvas size, and writing it. Every check
// is made before the picture renders, so that a bad page, pen or palette costs nothing.
#include "render/out/print.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "config/safe_write.h"
#include "engine/fingerprint.h"
#include "render/out/hpgl.h"
#include "render/out/page.h"
#include "render/out/pages.h"
#include "render/out/plot.h"
#include "render/out/raster.h"
#include "render/out/strands.h"
#include "render/out/vector.h"
#include "render/session/session.h"

namespace {

constexpr double SCREEN_PPI = 96;
constexpr double MM_PER_INCH = 25.4;
constexpr double DEFAULT_MARGIN = 10;  // mm, on a named or measured page
constexpr double DEFAULT_DPI = 300;
constexpr double MAX_SIDE = 32768;
constexpr double MAX_RASTER_BYTES = 2.0 * 1024 * 1024 * 1024;
// A plot's paths stay within this share of the pen's width of the strands by default.
constexpr double SIMPLIFY_SHARE = 0.2;
constexpr double MAX_TOLERANCE = 100;  // mm

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The extension of the file name in `path`, lower case; empty when it has none.
std::string Extension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return Lower(path.substr(dot + 1));
}

bool Positive(std::string_view text, double& out) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc{} && r.ptr == text.data() + text.size() && std::isfinite(out) &&
           out > 0;
}

// A named page (render/out/pages.h), or "WxHmm" / "WxHin".
bool ParsePage(const std::string& size, int xs, int ys, PrintPlan& plan, std::string& error) {
    if (NamedPage(size, xs, ys, plan.page_w, plan.page_h)) return true;
    const std::string unit = size.size() > 2 ? Lower(size.substr(size.size() - 2)) : "";
    const auto x = size.find_first_of("xX");
    double w = 0, h = 0;
    if ((unit == "mm" || unit == "in") && x != std::string::npos &&
        Positive(std::string_view(size).substr(0, x), w) &&
        Positive(std::string_view(size).substr(x + 1, size.size() - x - 3), h)) {
        const double k = unit == "in" ? MM_PER_INCH : 1;
        plan.page_w = w * k;
        plan.page_h = h * k;
        return true;
    }
    error = "option --size takes " + std::string(NamedPages()) +
            ", or WxHmm or WxHin with W and H above 0, not '" + size + "'";
    return false;
}

bool PlanColours(const RenderOptions& o, PrintPlan& plan, std::string& error) {
    if (!o.palette.empty() && !o.paper.empty()) {
        error = "--palette brings its own paper (its colour at 0); it does not go with --paper";
        return false;
    }
    if (!o.palette.empty()) {
        if (!LoadColourMap(o.palette, plan.colours, error)) return false;
    } else {
        // A plot's paper is white unless it is said to be black: the strongest lines are drawn
        // in the darkest ink.
        plan.colours = GreyMap(o.paper == "white" || (plan.plot && o.paper.empty()));
    }
    plan.coloured = !o.palette.empty() || o.paper == "white";
    return true;
}

// The page and the canvas centred on it, as large as the margins allow.
bool PlanPage(const RenderOptions& o, int xs, int ys, PrintPlan& plan, std::string& error) {
    if (o.size.empty()) {
        plan.page_w = xs / SCREEN_PPI * MM_PER_INCH;
        plan.page_h = ys / SCREEN_PPI * MM_PER_INCH;
    } else if (!ParsePage(o.size, xs, ys, plan, error)) {
        return false;
    }
    const double margin = o.margin.value_or(o.size.empty() ? 0 : DEFAULT_MARGIN);
    if (margin < 0 || 2 * margin >= std::min(plan.page_w, plan.page_h)) {
        error = "option --margin: " + std::to_string(margin) + " mm leaves nothing of the page";
        return false;
    }
    plan.scale = std::min((plan.page_w - 2 * margin) / xs, (plan.page_h - 2 * margin) / ys);
    plan.left = (plan.page_w - xs * plan.scale) / 2;
    plan.top = (plan.page_h - ys * plan.scale) / 2;
    // The default pen is one canvas pixel wide, as the lines are on the canvas.
    plan.pen = o.pen.value_or(plan.scale);
    if (!(plan.pen > 0 && plan.pen <= 100)) {
        error = "option --pen takes a width above 0 mm, at most 100 mm";
        return false;
    }
    return true;
}

bool PlanRaster(const RenderOptions& o, PrintPlan& plan, std::string& error) {
    const double w = std::round(plan.MmTo(plan.page_w, plan.dpi));
    const double h = std::round(plan.MmTo(plan.page_h, plan.dpi));
    if (w < 1 || h < 1 || w > MAX_SIDE || h > MAX_SIDE || w * h * 2 > MAX_RASTER_BYTES) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "--dpi %g on this page makes %.0f x %.0f pixels; at most 32768 a side and "
                      "2 GiB are drawn",
                      plan.dpi, w, h);
        error = text;
        return false;
    }
    plan.raster_w = static_cast<int>(w);
    plan.raster_h = static_cast<int>(h);
    (void)o;
    return true;
}

// Which output the file name and the options ask for, and the options that do not fit it.
bool PlanOutput(const RenderOptions& o, PrintPlan& plan, std::string& error) {
    using Output = PrintPlan::Output;
    const std::string ext = Extension(o.output);
    const bool page = !o.size.empty() || o.margin || o.pen;
    if (ext == "svg")
        plan.output = Output::Svg;
    else if (ext == "pdf")
        plan.output = Output::Pdf;
    else if (ext == "hpgl" || ext == "plt")
        plan.output = Output::Hpgl;
    else if (ext == "png" || ext.empty())
        plan.output = page ? Output::Raster : Output::Canvas;
    else if (ext == "html" && PagesAvailable(error))
        plan.output = Output::Page;
    else if (ext == "html")
        error = "cannot write " + o.output + ": " + error;
    else
        error = "cannot write " + o.output +
                ": morvane-render writes .png, .svg, .pdf, .hpgl (or .plt) and .html files";
    if (!error.empty()) return false;
    const bool hpgl = plan.output == Output::Hpgl;
    const bool unscaled = plan.output == Output::Svg || plan.output == Output::Pdf || hpgl;
    plan.plot = o.plot || hpgl;
    plan.as_shown = o.as_shown;
    if (plan.output == Output::Page && (page || o.plot || o.as_shown || o.dpi || o.thumb > 0 ||
                                        !o.palette.empty() || !o.paper.empty() || o.plot_shaped()))
        error =
            "a web page (.html) grows the canvas as the window shows it: it goes with no "
            "print option";
    else if (o.plot && plan.output != Output::Svg && !hpgl)
        error = "--plot writes an SVG or HPGL for a pen plotter: give -o FILE.svg or FILE.hpgl";
    else if (!plan.plot && o.plot_shaped())
        error = "--pens, --min-grey, --merge, --simplify and --min-length shape a plot: add --plot";
    else if (hpgl && (!o.palette.empty() || !o.paper.empty()))
        error =
            "HPGL has no colours (the pens in the plotter give them): leave out --palette and "
            "--paper";
    else if (o.dpi && unscaled)
        error = "--dpi sets the resolution of a PNG; an SVG, PDF or HPGL file has none";
    else if (o.thumb > 0 && (plan.output != Output::Canvas || o.as_shown || o.dpi ||
                             !o.palette.empty() || !o.paper.empty()))
        error =
            "--thumb writes an 8-bit grey thumbnail of the canvas and goes with no print option";
    return error.empty();
}

// A plot's pens, threshold and tolerances; the tolerances default to the pen's width, so that
// nothing a pen of that width draws changes visibly.
bool PlanPlotShape(const RenderOptions& o, PrintPlan& plan, std::string& error) {
    plan.pens = o.pens.value_or(1);
    plan.min_grey = o.min_grey.value_or(0);
    plan.merge = o.merge.value_or(plan.pen);
    plan.simplify = o.simplify.value_or(plan.pen * SIMPLIFY_SHARE);
    plan.min_length = o.min_length.value_or(plan.pen);
    if (!(plan.min_grey >= 0 && plan.min_grey < 1)) {
        error = "option --min-grey takes a grey from 0 up to 1 (not 1 itself)";
        return false;
    }
    const std::pair<const char*, double> lengths[] = {
        {"--merge", plan.merge}, {"--simplify", plan.simplify}, {"--min-length", plan.min_length}};
    for (const auto& [name, mm] : lengths) {
        if (mm >= 0 && mm <= MAX_TOLERANCE) continue;
        char text[160];
        std::snprintf(text, sizeof text, "option %s takes a length from 0 to %g mm, not %g", name,
                      MAX_TOLERANCE, mm);
        error = text;
        return false;
    }
    return true;
}

// The output options as they were given, for the file's provenance: what made this page.
std::string OutputOptionsText(const RenderOptions& o) {
    std::string text;
    const auto add = [&](const char* name, const std::string& value) {
        if (!text.empty()) text += ' ';
        text += name;
        if (value.empty()) return;
        text += ' ';
        text += value;
    };
    const auto number = [](double v) {
        char out[32];
        return std::string(out, std::to_chars(out, out + sizeof out, v).ptr);
    };
    const std::pair<const char*, const std::string*> words[] = {
        {"--size", &o.size}, {"--paper", &o.paper}, {"--palette", &o.palette}};
    for (const auto& [name, value] : words)
        if (!value->empty()) add(name, *value);
    const std::pair<const char*, const std::optional<double>*> numbers[] = {
        {"--margin", &o.margin},        {"--pen", &o.pen},     {"--dpi", &o.dpi},
        {"--min-grey", &o.min_grey},    {"--merge", &o.merge}, {"--simplify", &o.simplify},
        {"--min-length", &o.min_length}};
    for (const auto& [name, value] : numbers)
        if (*value) add(name, number(**value));
    if (o.plot) add("--plot", "");
    if (o.pens) add("--pens", std::to_string(*o.pens));
    if (o.as_shown) add("--as-shown", "");
    return text;
}

// The page's name: the output's file name without its folder and extension.
std::string PageName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool WritePage(std::span<const TextChunk> text, const std::string& fingerprint,
               const std::string& path) {
    std::string page, error;
    Chunks chunks;
    for (const TextChunk& c : text) chunks[c.keyword] = c.text;
    if (!PageText({chunks, FramesRendered(), fingerprint, PageName(path)}, page, error)) {
        std::fprintf(stderr, "morvane-render: cannot write %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    SaveResult result;
    result.saved = WriteFileSafely(
        path, [&](std::ostream& out) { out << page; }, result.reason);
    return ReportSave(result, path);
}

}  // namespace

bool PlanPrint(const RenderOptions& o, int xs, int ys, PrintPlan& plan, std::string& error) {
    plan = PrintPlan{};
    plan.canvas_w = xs;
    plan.canvas_h = ys;
    plan.quiet = o.quiet;
    plan.options = OutputOptionsText(o);
    plan.fingerprint = o.fingerprint;
    if (!PlanOutput(o, plan, error) || !PlanColours(o, plan, error)) return false;
    if (o.dpi && !(*o.dpi > 0)) {
        error = "option --dpi takes a resolution above 0";
        return false;
    }
    plan.dpi = o.dpi.value_or(plan.output == PrintPlan::Output::Raster ? DEFAULT_DPI : 0);
    if (!PlanPage(o, xs, ys, plan, error)) return false;
    if (plan.plot && !PlanPlotShape(o, plan, error)) return false;
    if (plan.output == PrintPlan::Output::Raster) return PlanRaster(o, plan, error);
    return true;
}

bool WritePicture(const PrintPlan& plan, const std::string& path, int thumb,
                  std::span<const TextChunk> provenance) {
    using Output = PrintPlan::Output;
    const std::string fingerprint = FingerprintText(CanvasFingerprint());
    if (plan.fingerprint) std::printf("%s  %s\n", fingerprint.c_str(), path.c_str());
    std::vector<TextChunk> text(provenance.begin(), provenance.end());
    if (!plan.options.empty()) text.push_back({"morvane:output", plan.options});
    text.push_back({"morvane:fingerprint", fingerprint});
    if (plan.output == Output::Page) return WritePage(text, fingerprint, path);
    if (plan.output == Output::Canvas && !plan.coloured && !plan.as_shown)
        return plan.dpi > 0 ? ReportSave(SaveImage(path, text, plan.dpi), path)
                            : WriteOutput(path, thumb, text);
    const StrandRecord& record = RecordedStrands();
    const auto start = std::chrono::steady_clock::now();
    SaveResult result;
    PlotPlan plot;
    try {
        if (plan.plot) plot = PlanPlot(plan, record);
        result.saved = WriteFileSafely(
            path,
            [&](std::ostream& out) {
                if (plan.output == Output::Canvas)
                    WriteCanvasPng(plan, text, out);
                else if (plan.output == Output::Raster)
                    WriteRasterPng(plan, record, text, out);
                else if (plan.output == Output::Pdf)
                    WritePdf(plan, record, text, out);
                else if (plan.output == Output::Hpgl)
                    WriteHpgl(plan, plot, out);
                else if (plan.plot)
                    WritePlotSvg(plan, plot, text, out);
                else
                    WriteSvg(plan, record, text, out);
            },
            result.reason);
    } catch (const std::exception& e) {
        result.reason = e.what();
    }
    // The plot's figures are its result, not progress: they are printed even when quiet.
    if (result.saved && plan.plot) ReportPlot(plot, stderr);
    struct stat st {};
    if (result.saved && !plan.quiet && plan.output != Output::Canvas &&
        stat(path.c_str(), &st) == 0)
        std::fprintf(
            stderr, "%zu strands, %zu points, %.1f MB in %.2f s -> %s\n", record.strands.size(),
            record.points.size(), st.st_size / 1e6,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            path.c_str());
    return ReportSave(result, path);
}
