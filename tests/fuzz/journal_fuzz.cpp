// SPDX-License-Identifier: MIT
// The journal line parser against its writer. A line the parser accepts must be the line Format
// writes for the entry it read (after the stamp), byte for byte: the parser takes nothing the
// program could not have written. And an entry Format writes must parse back to itself.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/journal.h"

namespace {

constexpr const char* STAMP = "2026-12-09 01:51:05 ";

void Check(bool ok) {
    if (!ok) std::abort();
}

// Every accepted line writes back to itself.
void ParsedLineWritesBack(const std::string& line) {
    const auto e = journal::ParseLogLine(line);
    if (!e) return;
    Check(line.substr(20) == journal::Format(*e));
}

// An entry of the kind the program writes, from the fuzzer's bytes.
journal::Entry EntryOf(FuzzedDataProvider& in) {
    journal::Entry e;
    e.kind = static_cast<journal::Kind>(in.ConsumeIntegralInRange<int>(0, 7));
    e.frame = in.ConsumeIntegral<std::uint64_t>();
    e.seed = in.ConsumeIntegral<std::uint32_t>();
    e.width = in.ConsumeIntegralInRange<int>(0, 1 << 20);
    e.height = in.ConsumeIntegralInRange<int>(0, 1 << 20);
    e.on = in.ConsumeBool();
    e.attempts = in.ConsumeIntegralInRange<std::int64_t>(1, INT64_MAX);
    static const char* const FLAGS[] = {"pause", "fill", "white"};
    e.name = e.kind == journal::Kind::Flag ? FLAGS[in.ConsumeIntegralInRange<int>(0, 2)]
                                           : in.ConsumeRandomLengthString(64);
    e.quoted = in.ConsumeBool();
    // An unquoted value is a number or a truth value, as the settings table writes them.
    e.value = e.quoted || e.kind == journal::Kind::Save
                  ? in.ConsumeRandomLengthString(256)
                  : journal::ExactFloat(in.ConsumeFloatingPoint<float>());
    if (e.kind == journal::Kind::Start) e.frame = 0;
    if (e.kind == journal::Kind::Save) e.quoted = false;
    return e;
}

void EntryReadsBack(FuzzedDataProvider& in) {
    const journal::Entry e = EntryOf(in);
    const std::string line = STAMP + journal::Format(e);
    const auto back = journal::ParseLogLine(line);
    Check(back.has_value());
    Check(journal::Format(*back) == journal::Format(e));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    if (data[0] & 1) {
        FuzzedDataProvider in(data + 1, size - 1);
        EntryReadsBack(in);
    } else {
        ParsedLineWritesBack(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    }
    return 0;
}
