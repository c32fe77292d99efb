// SPDX-License-Identifier: MIT
// What a picture is written as: the canvas PNG (as the S key saves it, or as shown, in grey or
// in colour), or the recorded strands as SVG, PDF or a PNG at print resolution, placed on a page
// over the saved picture (or alone), or planned for a pen plotter as SVG layers or HPGL.
// PlanPrint checks the options against the canvas before anything renders.
#pragma once

#include <span>
#include <string>

#include "export/export.h"
#include "render/cli/options.h"
#include "render/out/palette.h"

struct PrintPlan {
    enum class Output { Canvas, Svg, Pdf, Raster, Hpgl };
    Output output = Output::Canvas;
    bool as_shown = false;  // the canvas, or the strands on a page, without the hole fill
    bool plot = false;      // an SVG (or HPGL) for a pen plotter, from a plot plan
    bool coloured = false;  // a palette or white paper: the canvas PNG goes through `colours`
    bool quiet = false;     // no summary of a vector or print output
    // The output options as given ("--size A3 --pen 0.3 --plot"), kept in the file as
    // morvane:output; empty when there are none.
    std::string options;
    ColourMap colours = GreyMap(false);
    // The page in mm and the canvas on it: canvas pixel (x, y) lies at
    // (left + x * scale, top + y * scale).
    double page_w = 0, page_h = 0, left = 0, top = 0, scale = 1, pen = 0;
    double dpi = 0;  // 0: no pHYs chunk
    // A plot: the pens (grey layers), the faintest grey drawn (0..1), and in mm the gap up to
    // which paths meeting end to end are joined, the simplification's tolerance and the
    // shortest path kept.
    int pens = 1;
    double min_grey = 0, merge = 0, simplify = 0, min_length = 0;
    int raster_w = 0, raster_h = 0;
    int canvas_w = 0, canvas_h = 0;

    bool Records() const { return output != Output::Canvas; }
    // The page in pixels of the print raster (or in points of a PDF: 72 per inch).
    double MmTo(double mm, double per_inch) const { return mm / 25.4 * per_inch; }
};

// Checks the print options of `o` for an xs x ys canvas and fills `plan`; false with one line
// in `error` (a usage error) otherwise.
bool PlanPrint(const RenderOptions& o, int xs, int ys, PrintPlan& plan, std::string& error);
// Writes the picture to `path` as `plan` says; one line on standard error and false on failure.
bool WritePicture(const PrintPlan& plan, const std::string& path, int thumb,
                  std::span<const TextChunk> text);
