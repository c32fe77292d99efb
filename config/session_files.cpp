// SPDX-License-Identifier: MIT
// The history folder's place and the session file names. Names are parsed strictly, so that the
// bounds and the listing never touch a file the program did not name itself.
#include "config/session_files.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::string_view SUFFIX = ".journal";
constexpr std::string_view SEED = "-seed";
constexpr std::string_view THUMB = ".thumb.png";
constexpr std::string_view THUMB_TEMP = ".thumb.tmp";
// "YYYYMMDD-HHMMSS"
constexpr std::size_t STAMP_SIZE = 15;

template <class T>
bool Digits(std::string_view text, T& out) {
    if (text.empty() || (text.size() > 1 && text[0] == '0')) return false;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc{} && r.ptr == text.data() + text.size() && text[0] != '-' &&
           text[0] != '+';
}

bool StampShape(std::string_view stamp) {
    for (std::size_t i = 0; i < STAMP_SIZE; ++i) {
        const bool digit = stamp[i] >= '0' && stamp[i] <= '9';
        if (i == 8 ? stamp[i] != '-' : !digit) return false;
    }
    return true;
}

std::string WithSuffix(std::string_view session_file, std::string_view suffix) {
    if (session_file.ends_with(SUFFIX)) session_file.remove_suffix(SUFFIX.size());
    return std::string(session_file) + std::string(suffix);
}

}  // namespace

std::string StateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return state;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/state";
    return {};
}

std::string SessionsFolder() {
    const std::string state = StateFolder();
    return state.empty() ? state : state + "/morvane/sessions";
}

std::string SessionFileName(std::time_t start, std::uint32_t seed, int copy) {
    std::tm utc{};
    char stamp[32] = "00000000-000000";
    if (gmtime_r(&start, &utc) && std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc) == 0)
        std::snprintf(stamp, sizeof stamp, "00000000-000000");
    std::string name = std::string(stamp) + std::string(SEED) + std::to_string(seed);
    if (copy > 1) {
        name += '-';
        name += std::to_string(copy);
    }
    name += SUFFIX;
    return name;
}

std::optional<SessionName> ParseSessionFileName(std::string_view name) {
    if (name.size() < STAMP_SIZE + SEED.size() + SUFFIX.size() + 1 ||
        name.substr(name.size() - SUFFIX.size()) != SUFFIX || !StampShape(name) ||
        name.substr(STAMP_SIZE, SEED.size()) != SEED)
        return std::nullopt;
    SessionName parts;
    parts.stamp = name.substr(0, STAMP_SIZE);
    std::string_view rest = name.substr(STAMP_SIZE + SEED.size());
    rest.remove_suffix(SUFFIX.size());
    const std::size_t dash = rest.find('-');
    if (!Digits(rest.substr(0, dash), parts.seed)) return std::nullopt;
    if (dash != std::string_view::npos &&
        (!Digits(rest.substr(dash + 1), parts.copy) || parts.copy < 2))
        return std::nullopt;
    return parts;
}

std::string ThumbnailFileName(std::string_view session_file) {
    return WithSuffix(session_file, THUMB);
}

std::string ThumbnailTempName(std::string_view session_file) {
    return WithSuffix(session_file, THUMB_TEMP);
}

std::optional<std::string> ThumbnailSession(std::string_view name) {
    for (const std::string_view suffix : {THUMB, THUMB_TEMP}) {
        if (!name.ends_with(suffix)) continue;
        std::string session(name.substr(0, name.size() - suffix.size()));
        session += SUFFIX;
        if (ParseSessionFileName(session)) return session;
    }
    return std::nullopt;
}

std::string ThumbnailTag(std::string_view session_file, std::uint64_t frame) {
    return std::string(session_file) + " frame " + std::to_string(frame);
}

std::string ReadableStamp(const std::string& s) {
    return s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2) + " " + s.substr(9, 2) +
           ":" + s.substr(11, 2) + ":" + s.substr(13, 2);
}
