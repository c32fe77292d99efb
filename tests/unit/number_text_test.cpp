// SPDX-License-Identifier: MIT
// The web build's float text (web/number_text.h) against the native C++ library it stands in
// for: the same text for the same float, the same float back, the same end of a number.
#include "web/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <charconv>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Text(std::to_chars_result (*write)(char*, char*, float), float v) {
    char buffer[64];
    return std::string(buffer, write(buffer, buffer + sizeof buffer, v).ptr);
}
std::to_chars_result StdShortest(char* first, char* last, float v) {
    return std::to_chars(first, last, v);
}
std::to_chars_result StdGeneral6(char* first, char* last, float v) {
    return std::to_chars(first, last, v, std::chars_format::general, 6);
}
std::to_chars_result OursGeneral6(char* first, char* last, float v) {
    return number_text::General(first, last, v, 6);
}

// The settings' own values and the edges of the float range, then random bit patterns.
std::vector<float> SampleFloats() {
    std::vector<float> v = {0.0f,      -0.0f,         0.002f,      0.01f,        0.001f, 700.0f,
                            1e-05f,    1e10f,         123456792.f, 16777216.f,   0.1f,   1.0f / 3,
                            FLT_MAX,   -FLT_MAX,      FLT_MIN,     FLT_TRUE_MIN, 1e-40f, 360.0f,
                            0.999999f, 9.9999995e-3f, 65535.0f,    1e38f,        2e-7f};
    std::mt19937 random(7);
    while (v.size() < 50000) {
        const float f = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        if (f == f && f - f == 0.0f) v.push_back(f);
    }
    return v;
}

TEST(NumberText, WritesTheLibrarysTextAndReadsItBack) {
    for (const float f : SampleFloats()) {
        const std::string shortest = Text(number_text::Shortest, f);
        ASSERT_EQ(shortest, Text(StdShortest, f)) << std::bit_cast<std::uint32_t>(f);
        ASSERT_EQ(Text(OursGeneral6, f), Text(StdGeneral6, f)) << shortest;
        float back = 0.5f;
        const auto r = number_text::Read(shortest.data(), shortest.data() + shortest.size(), back);
        ASSERT_EQ(r.ec, std::errc{}) << shortest;
        ASSERT_EQ(r.ptr, shortest.data() + shortest.size());
        ASSERT_EQ(std::bit_cast<std::uint32_t>(back), std::bit_cast<std::uint32_t>(f)) << shortest;
    }
}

TEST(NumberText, ReadsAsMuchAsTheLibraryAndFailsAsItDoes) {
    const char* const texts[] = {"1e", "+1",  ".5",    "5.",    "-",         "1e+",   "1.5x",
                                 "",   "e5",  "-.e1",  "1e400", "-1e400",    "1e-60", "0e999",
                                 " 1", "007", "1E-2z", "inf",   "-Infinity", "nan",   "."};
    for (const std::chars_format fmt :
         {std::chars_format::general, std::chars_format::fixed, std::chars_format::scientific}) {
        for (const std::string text : texts) {
            float ours = 42.0f, theirs = 42.0f;
            const char* first = text.data();
            const auto a = number_text::Read(first, first + text.size(), ours, fmt);
            const auto b = std::from_chars(first, first + text.size(), theirs, fmt);
            EXPECT_EQ(a.ec, b.ec) << '"' << text << '"' << static_cast<int>(fmt);
            EXPECT_EQ(a.ptr - first, b.ptr - first) << '"' << text << '"';
            if (text != "nan") {
                EXPECT_EQ(ours, theirs) << text;
            }
        }
    }
}

}  // namespace
