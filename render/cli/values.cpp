// SPDX-License-Identifier: MIT
// The option values' readers, shared by every row of the option tables.
#include "render/cli/values.h"

#include <cmath>

namespace {

// The most pictures one sweep or grid makes.
constexpr long MAX_PICTURES = 10000;

// A real number with an optional leading minus.
bool ParseReal(std::string_view text, double& out) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.remove_prefix(1);
    if (!ParseNumber(text, out) || !std::isfinite(out)) return false;
    if (negative) out = -out;
    return true;
}

}  // namespace

bool Refuse(const OptionValue& v, const std::string& why) {
    v.error = "option " + std::string(v.option) + (why[0] == ':' ? "" : " ") + why;
    return false;
}

bool Name(const OptionValue& v, std::string& out) {
    if (!*v.text) return Refuse(v, "needs a name, not an empty value");
    out = v.text;
    return true;
}

bool Real(const OptionValue& v, std::optional<double>& out) {
    double d = 0;
    if (!ParseReal(v.text, d)) return Refuse(v, std::string(": '") + v.text + "' is not a number");
    out = d;
    return true;
}

bool SeedRange(const char* text, RenderOptions& o, std::string& error) {
    const std::string_view t = text;
    const auto dots = t.find("..");
    if (dots == std::string_view::npos || !ParseNumber(t.substr(0, dots), o.sweep_first) ||
        !ParseNumber(t.substr(dots + 2), o.sweep_last)) {
        error = "sweep takes its seeds as A..B, for instance 1..40";
    } else if (o.sweep_first > o.sweep_last) {
        error = "sweep: the range " + std::string(t) + " is empty or reversed";
    } else if (o.sweep_last - o.sweep_first >= MAX_PICTURES) {
        // Each picture is planned before the first is rendered; a typo must not plan billions.
        error = "sweep: at most " + std::to_string(MAX_PICTURES) +
                " seeds at once; split the range " + std::string(t);
    }
    return error.empty();
}

bool Vary(const OptionValue& v, RenderOptions& o) {
    const std::string_view text = v.text;
    const auto eq = text.find('=');
    const auto colon = text.rfind(':');
    const auto dots = eq == std::string_view::npos ? eq : text.find("..", eq + 2);
    VaryAxis axis;
    if (eq == std::string_view::npos || eq == 0 || colon == std::string_view::npos ||
        dots == std::string_view::npos || dots > colon ||
        !ParseReal(text.substr(eq + 1, dots - eq - 1), axis.from) ||
        !ParseReal(text.substr(dots + 2, colon - dots - 2), axis.to) ||
        !ParseNumber(text.substr(colon + 1), axis.count))
        return Refuse(v, "takes KEY=FROM..TO:COUNT, for instance \"curl=0..0.02:9\"");
    axis.key = text.substr(0, eq);
    long pictures = axis.count;
    for (const VaryAxis& other : o.vary) pictures *= other.count;
    if (axis.count < 1 || pictures > MAX_PICTURES)
        return Refuse(v, o.vary.empty() ? ": COUNT must be 1 to 10000"
                                        : ": a grid of " + std::to_string(pictures) +
                                              " pictures; at most 10000");
    if (o.vary.size() == 2) return Refuse(v, ": at most two, the rows and the columns of a grid");
    if (!o.vary.empty() && o.vary.front().key == axis.key)
        return Refuse(v, ": a grid needs two different keys, not \"" + axis.key + "\" twice");
    o.vary.push_back(axis);
    return true;
}

bool Operand(const char* text, std::string& out, std::string& error) {
    if (!*text) error = "an empty name is not a file";
    out = text;
    return error.empty();
}
