// SPDX-License-Identifier: MIT
// Reading option values and operands: whole and real numbers, names, seed ranges and --vary
// axes, each refused with one line that names the option and what it takes.
#pragma once

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "render/cli/table.h"

// A plain number: digits (and a fraction for a real), no sign.
template <class T>
bool ParseNumber(std::string_view text, T& out) {
    if (text.empty() || text[0] == '+' || text[0] == '-') return false;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc{} && r.ptr == text.data() + text.size();
}

// "option --seed takes ...", or "option --seed: '...' is not ..." for a `why` that starts ": ".
// Returns false, for the setter to return.
bool Refuse(const OptionValue& v, const std::string& why);

// A whole number from low to high; `range` says so in the error.
template <class T>
bool Whole(const OptionValue& v, T& out, T low, T high, const char* range) {
    if (!ParseNumber(std::string_view(v.text), out))
        return Refuse(v, std::string(": '") + v.text + "' is not a whole number");
    if (out < low || out > high) return Refuse(v, std::string("takes ") + range);
    return true;
}

// A file or folder name: an empty one would quietly mean the default or the working folder.
bool Name(const OptionValue& v, std::string& out);
// A real number with an optional minus; the print options' ranges depend on the page and the
// canvas, checked later.
bool Real(const OptionValue& v, std::optional<double>& out);
// "KEY=FROM..TO:COUNT", KEY a settings-file key (checked against the table later); given twice,
// the two axes of a grid.
bool Vary(const OptionValue& v, RenderOptions& o);
// sweep's operand "A..B": seeds A to B, both included.
bool SeedRange(const char* text, RenderOptions& o, std::string& error);
// A file operand: any name but an empty one.
bool Operand(const char* text, std::string& out, std::string& error);
