// SPDX-License-Identifier: MIT
// Paths with a printf-style number field, as image sequences name their files
// ("shot-%03d.png"): each save takes the next number whose file does not exist yet, so that no
// save replaces an earlier one. A path without a field is used as it stands.
#pragma once

#include <optional>
#include <string>

// The number field of a path: the first "%d", "%Nd" or "%0Nd" (N a width of 1 to 9 digits).
// Any other "%" is an ordinary character of the name.
struct NumberField {
    std::size_t begin = 0, end = 0;  // the field's bytes in the path
    int width = 0;                   // the least number of digits
    bool zero_pad = false;
    // The largest number the field takes: the numbers of `width` digits when it is zero padded
    // (beyond them, the names would no longer sort in order), else 999999999.
    long Last() const;
};
std::optional<NumberField> FindNumberField(const std::string& path);

// `path` with the field replaced by `number`, padded as the field asks.
std::string NumberedName(const std::string& path, const NumberField& field, long number);

// The path a save of `path` writes. Without a field, `path` itself. With one, the name of the
// lowest number from `*next` (at least 1) on whose file does not exist, and `*next` is set past
// it, so that the numbers of one session rise; empty, with the reason in `error`, when every
// number up to the field's last is taken.
std::string NextFreePath(const std::string& path, long* next, std::string& error);
