// SPDX-License-Identifier: MIT
// What the web build's C++ library (emscripten 3.1's libc++) lacks of the standard library our
// sources use: std::bit_cast and the float forms of std::to_chars and std::from_chars. The web
// build includes this header before every source; elsewhere it adds nothing.
#pragma once

#if defined(__EMSCRIPTEN__)
#include <cstring>
#include <type_traits>

#include "web/number_text.h"

namespace std {

#if !defined(__cpp_lib_bit_cast)
template <class To, class From>
requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> &&
         is_trivially_copyable_v<From>) constexpr To bit_cast(const From& from) noexcept {
    return __builtin_bit_cast(To, from);
}
#endif

inline to_chars_result to_chars(char* first, char* last, float value) {
    return number_text::Shortest(first, last, value);
}
inline to_chars_result to_chars(char* first, char* last, float value, chars_format fmt,
                                int precision) {
    (void)fmt;  // our sources ask only for general
    return number_text::General(first, last, value, precision);
}
inline from_chars_result from_chars(const char* first, const char* last, float& value,
                                    chars_format fmt = chars_format::general) {
    return number_text::Read(first, last, value, fmt);
}

}  // namespace std
#endif
