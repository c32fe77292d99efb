// SPDX-License-Identifier: MIT
// Floats as text and back, the way std::to_chars and std::from_chars write and read them, for a
// C++ library that lacks their float forms (emscripten's): the shortest text that reads back as
// the same float, printf's %.*g, and the reader of both. The digits come from the C library's
// exact printf and strtof, and the text is assembled here, so the current locale's decimal mark
// never enters it. web/std_compat.h puts these under the standard names for the web build.
#pragma once

#include <locale.h>

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

namespace number_text {

// A finite non-zero float's first `count` significant digits, rounded to nearest, and the
// decimal exponent of the first.
struct Digits {
    std::uint64_t mantissa = 0;
    int count = 0, exponent = 0;
};

inline Digits RoundedDigits(float value, int count) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", count - 1, static_cast<double>(value));
    Digits d;
    d.count = count;
    const char* p = text;
    // Whatever mark the locale puts between the digits, only the digits are taken.
    for (; *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') d.mantissa = d.mantissa * 10 + static_cast<unsigned>(*p - '0');
    d.exponent = std::atoi(p + 1);
    return d;
}

// The digits written out: scientific ("1.25e-05", at least two exponent digits) or fixed
// ("0.0000125", "1250"); no sign.
inline std::string Place(const Digits& d, bool scientific) {
    std::string digits = std::to_string(d.mantissa);
    digits.insert(0, static_cast<std::size_t>(d.count) - digits.size(), '0');
    if (scientific) {
        std::string text = digits.substr(0, 1);
        if (d.count > 1) text.append(".").append(digits, 1);
        const int e = d.exponent < 0 ? -d.exponent : d.exponent;
        return text + (d.exponent < 0 ? "e-" : "e+") + (e < 10 ? "0" : "") + std::to_string(e);
    }
    if (d.exponent < 0) {
        std::string text = "0.";
        text.append(static_cast<std::size_t>(-d.exponent - 1), '0');
        return text + digits;
    }
    const auto whole = static_cast<std::size_t>(d.exponent) + 1;
    if (digits.size() <= whole) return digits + std::string(whole - digits.size(), '0');
    return digits.substr(0, whole) + "." + digits.substr(whole);
}

// Drops trailing zero digits (printf's %g does).
inline Digits Trimmed(Digits d) {
    while (d.count > 1 && d.mantissa % 10 == 0) {
        d.mantissa /= 10;
        --d.count;
    }
    return d;
}

inline std::to_chars_result Copy(char* first, char* last, bool negative, const std::string& text) {
    const std::size_t size = text.size() + (negative ? 1 : 0);
    if (static_cast<std::size_t>(last - first) < size) return {last, std::errc::value_too_large};
    if (negative) *first++ = '-';
    for (const char c : text) *first++ = c;
    return {first, std::errc{}};
}

// inf and nan as the standard writes them; false for a finite value.
inline bool Special(float value, std::string& text) {
    if (value != value)
        text = "nan";
    else if (value == 1.0f / 0.0f || value == -1.0f / 0.0f)
        text = "inf";
    else
        return false;
    return true;
}

// The reader's result without the syntax checks: the float nearest `text` (a number in the C
// locale's syntax), and whether it lies outside the float range.
inline float Nearest(const std::string& text, bool& out_of_range) {
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    errno = 0;
    const float value = strtof_l(text.c_str(), nullptr, c_locale);
    out_of_range = errno == ERANGE && (value == 0.0f || value > 3.4e38f || value < -3.4e38f);
    return value;
}

inline bool ReadsBack(const Digits& d, float value) {
    bool out = false;
    return Nearest(Place(d, true), out) == value;
}

// As std::to_chars(first, last, value): the fewest significant digits that read back as the
// value, the nearest such when several do, written fixed or scientific, whichever is shorter
// (fixed on a tie).
inline std::to_chars_result Shortest(char* first, char* last, float value) {
    const bool negative = value < 0.0f || (value == 0.0f && 1.0f / value < 0.0f);
    const float magnitude = negative ? -value : value;
    std::string text;
    if (Special(magnitude, text)) return Copy(first, last, negative, text);
    if (magnitude == 0.0f) return Copy(first, last, negative, "0");
    Digits d;
    for (int count = 1; count <= 9; ++count) {
        d = RoundedDigits(magnitude, count);
        if (ReadsBack(d, magnitude)) break;
    }
    const std::string scientific = Place(d, true);
    std::string fixed = Place(d, false);
    // Fixed text longer than its digits pads with zeros; the value itself is then a whole
    // number, and the standard writes its exact digits rather than zeros.
    if (d.exponent + 1 > d.count && fixed.size() <= scientific.size()) {
        char whole[64];
        std::snprintf(whole, sizeof whole, "%.0f", static_cast<double>(magnitude));
        fixed = whole;
    }
    return Copy(first, last, negative, fixed.size() <= scientific.size() ? fixed : scientific);
}

// As std::to_chars(first, last, value, std::chars_format::general, precision): printf's %.*g.
inline std::to_chars_result General(char* first, char* last, float value, int precision) {
    const bool negative = value < 0.0f || (value == 0.0f && 1.0f / value < 0.0f);
    const float magnitude = negative ? -value : value;
    std::string text;
    if (Special(magnitude, text)) return Copy(first, last, negative, text);
    if (magnitude == 0.0f) return Copy(first, last, negative, "0");
    const int p = precision < 0 ? 6 : precision == 0 ? 1 : precision;
    const Digits d = RoundedDigits(magnitude, p);
    const bool scientific = d.exponent < -4 || d.exponent >= p;
    return Copy(first, last, negative, Place(Trimmed(d), scientific));
}

// The end of the digits from `p`.
inline const char* SkipDigits(const char* p, const char* last) {
    while (p != last && *p >= '0' && *p <= '9') ++p;
    return p;
}

// As std::from_chars(first, last, value, fmt) for decimal text: an optional '-', digits with an
// optional point, and an exponent (required by scientific, refused by fixed); "inf", "infinity"
// and "nan" in any case. The value is untouched unless the text reads as a float in range.
inline std::from_chars_result Read(const char* first, const char* last, float& value,
                                   std::chars_format fmt = std::chars_format::general) {
    const char* p = first;
    if (p != last && *p == '-') ++p;
    const auto word = [&](const char* w) {
        const char* q = p;
        for (; *w && q != last && (*q | 0x20) == *w; ++q, ++w) {
        }
        return *w == 0 ? q : nullptr;
    };
    const char* end = word("infinity");
    if (!end) end = word("inf");
    if (!end) end = word("nan");
    if (!end) {
        const char* digits_end = SkipDigits(p, last);
        std::size_t count = static_cast<std::size_t>(digits_end - p);
        end = digits_end;
        if (end != last && *end == '.') {
            const char* fraction_end = SkipDigits(end + 1, last);
            count += static_cast<std::size_t>(fraction_end - end - 1);
            end = fraction_end;
        }
        if (count == 0) return {first, std::errc::invalid_argument};
        bool exponent = false;
        if (fmt != std::chars_format::fixed && end != last && (*end == 'e' || *end == 'E')) {
            const char* e = end + 1;
            if (e != last && (*e == '+' || *e == '-')) ++e;
            const char* exponent_end = SkipDigits(e, last);
            exponent = exponent_end != e;
            if (exponent) end = exponent_end;
        }
        if (fmt == std::chars_format::scientific && !exponent)
            return {first, std::errc::invalid_argument};
    }
    bool out_of_range = false;
    const float read = Nearest(std::string(first, end), out_of_range);
    if (out_of_range) return {end, std::errc::result_out_of_range};
    value = read;
    return {end, std::errc{}};
}

}  // namespace number_text
