// SPDX-License-Identifier: MIT
// The journal lines: every kind of entry reads back as written, every setting's value survives
// exactly (floats included), and lines the program could not have written are refused.
#include "engine/journal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "engine/settings.h"

namespace {

constexpr const char* STAMP = "2026-12-08 10:00:00 ";

journal::Entry RoundTrip(const journal::Entry& e) {
    const auto back = journal::ParseLogLine(STAMP + journal::Format(e));
    EXPECT_TRUE(back) << journal::Format(e);
    return back.value_or(journal::Entry{});
}

TEST(Journal, EveryEntryReadsBackAsWritten) {
    journal::Entry start;
    start.seed = 4294967295u;
    start.width = 4096;
    start.height = 512;
    const journal::Entry s = RoundTrip(start);
    EXPECT_EQ(s.kind, journal::Kind::Start);
    EXPECT_EQ(s.seed, 4294967295u);
    EXPECT_EQ(s.width, 4096);
    EXPECT_EQ(s.height, 512);

    journal::Entry save;
    save.kind = journal::Kind::Save;
    save.frame = 18446744073709551615ull;
    save.value = "dir with \"quotes\", 100% \\ and\na line break.png\xB4";
    const journal::Entry v = RoundTrip(save);
    EXPECT_EQ(v.frame, save.frame);
    EXPECT_EQ(v.value, save.value);
    EXPECT_FALSE(v.on);
    // The quoted text holds no byte the log would escape.
    for (const char c : journal::Format(save))
        EXPECT_TRUE(c >= 0x20 && c < 0x7F && c != '\\') << static_cast<int>(c);

    journal::Entry cut;
    cut.kind = journal::Kind::Cut;
    cut.frame = 7;
    cut.attempts = 1234;
    EXPECT_EQ(RoundTrip(cut).attempts, 1234);

    journal::Entry back;
    back.kind = journal::Kind::Back;
    back.frame = 90;
    back.target = 30;
    EXPECT_EQ(RoundTrip(back).target, 30u);

    journal::Entry continued;
    continued.kind = journal::Kind::Continued;
    continued.frame = 90;
    continued.value = "/home/a b/morvane.png";
    EXPECT_EQ(RoundTrip(continued).value, continued.value);
}

TEST(Journal, SettingsSurviveExactly) {
    const float odd[] = {
        0.1f + 0.2f, 1e-38f, -0.0f, 3.4028235e38f, std::numeric_limits<float>::quiet_NaN(),
        INFINITY};
    for (const float value : odd) {
        rand_angle = value;
        const journal::Entry e = RoundTrip(journal::SettingEntry(settings_table[12], 5));
        rand_angle = 0;
        ASSERT_TRUE(journal::ApplySetting(settings_table[12], e)) << e.value;
        EXPECT_EQ(std::isnan(rand_angle), std::isnan(value)) << e.value;
        EXPECT_EQ(std::signbit(rand_angle), std::signbit(value)) << e.value;
        if (!std::isnan(value)) {
            EXPECT_EQ(rand_angle, value);
        }
    }
    file = "a \"b\"\n.png";
    const journal::Entry e = RoundTrip(journal::SettingEntry(settings_table[2], 0));
    file.clear();
    ASSERT_TRUE(journal::ApplySetting(settings_table[2], e));
    EXPECT_EQ(file, "a \"b\"\n.png");
    ResetSettings();
}

TEST(Journal, LinesTheProgramCannotWriteAreRefused) {
    const char* forged[] = {
        "journal @1 restart ",              // trailing blank
        "journal @01 restart",              // leading zero
        "journal @-1 restart",              // sign
        "journal @1 flag pause 2",          // not a flag value
        "journal @1 flag speed 1",          // not a flag
        "journal @1 save ok \"a\\\"b\"",    // a backslash escape, which the writer never uses
        "journal @1 save ok \"a%41\"",      // %41 is a plain "A", never escaped
        "journal @1 save ok \"cut",         // no closing quote
        "journal @1 set \"curl\" 0.5 0.6",  // two values
        "journal @1 cut",                   // cut short
        "journal @1 end now",
        "journal start seed=4294967296 size=512x512",  // seed beyond 32 bits
        "journal start seed=1 size=512",
        "journal @1 jump",
        "journal @5 back 5",  // a step back goes to an earlier frame
        "journal @5 back",
        // A reading that fails must not consume its words for the next reading tried.
        "journal @0 set \"curl\" \"anything at all\"0.5",
        "journal start@1 restart",
    };
    for (const char* text : forged)
        EXPECT_FALSE(journal::ParseLogLine(std::string(STAMP) + text)) << text;
    EXPECT_FALSE(journal::ParseLogLine("2026-12-08 10:00:0x journal @1 restart"));
    // A value of the wrong type for its setting parses as a line but is not applied.
    const auto e = journal::ParseLogLine(std::string(STAMP) + "journal @1 set \"num sprouts\" 2.5");
    ASSERT_TRUE(e);
    EXPECT_FALSE(journal::ApplySetting(settings_table[4], *e));
}

}  // namespace
