// SPDX-License-Identifier: MIT
// Runs of one colour along the strands, and the page formats they are written in.
#pragma once

#include <charconv>
#include <string>

#include "render/out/palette.h"

constexpr std::size_t FLUSH_BYTES = 1 << 16;

inline void AppendNumber(std::string& out, double v, int decimals) {
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
    out.append(text, r.ptr);
}

// The syntax of one page format: a run starts with Begin(colour) and a move, goes on with lines,
// and ends with End; Flush hands the buffered text on.
struct PathFormat {
    virtual ~PathFormat() = default;
    virtual void Begin(Rgb16 c) = 0;
    virtual void Point(double x, double y, bool first) = 0;
    virtual void End() = 0;
};

// Cuts each strand into runs of one colour and sends them to the format.
class RunSink {
public:
    RunSink(const ColourMap& colours, PathFormat& format) : colours_(colours), format_(format) {}
    void Start(double x, double y) {
        Close();
        x_ = x;
        y_ = y;
    }
    void To(double x, double y, int value) {
        const Rgb16 c = colours_.At(value);
        const int key = (c.r >> 8) << 16 | (c.g >> 8) << 8 | c.b >> 8;
        if (!open_ || key != key_) {
            Close();
            format_.Begin(c);
            format_.Point(x_, y_, true);
            open_ = true;
            key_ = key;
        }
        format_.Point(x, y, false);
        x_ = x;
        y_ = y;
    }
    void StrandEnd() { Close(); }

private:
    void Close() {
        if (open_) format_.End();
        open_ = false;
    }
    const ColourMap& colours_;
    PathFormat& format_;
    bool open_ = false;
    int key_ = 0;
    double x_ = 0, y_ = 0;
};
