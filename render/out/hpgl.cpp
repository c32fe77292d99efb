// SPDX-License-Identifier: MIT
// The HPGL writer: IN, then for each layer SP with its pen number and the paths as PU and PD
// commands, then the pen put away. Points that round to the same plotter unit are written once.
#include "render/out/hpgl.h"

#include <cmath>
#include <string>

#include "render/out/runs.h"

namespace {

// Pen-down points per PD command: small plotter buffers take a command of this size.
constexpr int POINTS_PER_COMMAND = 32;

struct Units {
    long x, y;
    bool operator==(const Units&) const = default;
};

void AppendUnits(std::string& out, Units u) {
    AppendNumber(out, static_cast<double>(u.x), 0);
    out += ',';
    AppendNumber(out, static_cast<double>(u.y), 0);
}

}  // namespace

void WriteHpgl(const PrintPlan& plan, const PlotPlan& plot, std::ostream& out) {
    const auto units = [&](StrandPoint p) {
        const double x = plan.left + p.x * plan.scale;
        const double y = plan.page_h - (plan.top + p.y * plan.scale);
        return Units{std::lround(x * HPGL_UNITS_PER_MM), std::lround(y * HPGL_UNITS_PER_MM)};
    };
    std::string text = "IN;\n";
    for (std::size_t k = 0; k < plot.layers.size(); ++k) {
        text += "SP" + std::to_string(k + 1) + ";\n";
        const PlotPaths& paths = plot.layers[k].paths;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            Units at = units(paths.points[paths.offsets[i]]);
            text += "PU";
            AppendUnits(text, at);
            int in_command = 0;
            for (std::size_t p = paths.offsets[i] + 1; p < paths.offsets[i + 1]; ++p) {
                const Units to = units(paths.points[p]);
                if (to == at) continue;
                text += in_command == 0 ? ";PD" : ",";
                AppendUnits(text, to);
                at = to;
                in_command = (in_command + 1) % POINTS_PER_COMMAND;
            }
            text += ";\n";
            if (text.size() > FLUSH_BYTES) {
                out.write(text.data(), static_cast<std::streamsize>(text.size()));
                text.clear();
            }
        }
    }
    text += "PU;SP0;\n";
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}
