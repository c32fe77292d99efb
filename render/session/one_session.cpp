// SPDX-License-Identifier: MIT
// The checks that tell one session's journal from the lines of two mixed in one log. Start with
// OneSession::Check; StampSeconds reads the log's time stamps.
#include "render/session/one_session.h"

#include <charconv>
#include <ctime>

namespace {

// The window renders at most 60 frames a second, counted from its start line; the slack covers
// the stamps' whole seconds and a clock set back a little while the session ran.
constexpr std::uint64_t MAX_FRAME_RATE = 60;
constexpr std::int64_t SLACK_SECONDS = 5;

bool Field(std::string_view text, std::size_t at, std::size_t size, int& value) {
    const char* first = text.data() + at;
    const auto r = std::from_chars(first, first + size, value);
    return r.ec == std::errc{} && r.ptr == first + size;
}

// `t` as local time with daylight saving time `dst`, or -1 when no such local time exists (the
// fields came back changed).
std::int64_t LocalTime(std::tm t, int dst) {
    const std::tm asked = t;
    t.tm_isdst = dst;
    const std::time_t seconds = std::mktime(&t);
    if (seconds == -1 || t.tm_isdst != dst || t.tm_hour != asked.tm_hour ||
        t.tm_min != asked.tm_min || t.tm_mday != asked.tm_mday || t.tm_mon != asked.tm_mon)
        return -1;
    return seconds;
}

}  // namespace

std::int64_t StampSeconds(std::string_view line) {
    std::tm t{};
    if (line.size() < 20 || line[4] != '-' || line[7] != '-' || line[10] != ' ' ||
        line[13] != ':' || line[16] != ':' || line[19] != ' ' || !Field(line, 0, 4, t.tm_year) ||
        !Field(line, 5, 2, t.tm_mon) || !Field(line, 8, 2, t.tm_mday) ||
        !Field(line, 11, 2, t.tm_hour) || !Field(line, 14, 2, t.tm_min) ||
        !Field(line, 17, 2, t.tm_sec) || t.tm_mon < 1)
        return -1;
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    const std::int64_t standard = LocalTime(t, 0), summer = LocalTime(t, 1);
    if (standard >= 0 && summer >= 0) return -1;
    return standard >= 0 ? standard : summer;
}

void OneSession::Start(std::string_view line) {
    start_ = last_ = StampSeconds(line);
    saved_ = 0;
}

std::string OneSession::Check(const journal::Entry& e, std::string_view line) {
    const std::string at = " at frame " + std::to_string(e.frame);
    // A save's line is written when the save ends, by which time its frame has been rendered.
    if (e.kind != journal::Kind::Save && e.frame < saved_)
        return "an event before the frame of a save written earlier" + at +
               " (the lines of two sessions, mixed in one log?)";
    if (e.kind == journal::Kind::Save && e.frame > saved_) saved_ = e.frame;
    const std::int64_t now = StampSeconds(line);
    // A clock set back (or a stamp not read) leaves the stamps nothing to say.
    if (now < 0 || now < last_) start_ = -1;
    last_ = now;
    if (start_ < 0) return "";
    const auto seconds = static_cast<std::uint64_t>(now - start_ + SLACK_SECONDS);
    if (e.frame > seconds * MAX_FRAME_RATE)
        return "frame " + std::to_string(e.frame) + " stamped " + std::to_string(now - start_) +
               " s after the start line, faster than the window renders (the lines of two " +
               "sessions, mixed in one log?)";
    return "";
}
