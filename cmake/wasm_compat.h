#pragma once
// The browser build's C++ library (the libc++ of Debian's emscripten 3.1.6)
// predates two C++17/20 facilities the plugin and the tool use: std::bit_cast
// (native invocation, the stand-in world) and std::from_chars for floating
// point (the shot-log reader). This file gives both, with the standard's
// meaning, to every file of the browser build and of no other build; it is
// included before anything else and steps aside once the library has them.

#include <version>

#if !defined(__cpp_lib_bit_cast)
namespace std {
template <class To, class From>
constexpr To bit_cast(const From& from) noexcept {
    return __builtin_bit_cast(To, from);
}
}  // namespace std
#endif

#if !defined(__cpp_lib_to_chars)
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace std {
namespace wasm_compat {
// strtod on a terminated copy of at most 63 characters; like from_chars, no
// leading blank, plus sign or hexadecimal form is taken.
template <class Number>
from_chars_result parse_floating(const char* first, const char* last, Number& value) {
    char buffer[64];
    const size_t length = static_cast<size_t>(last - first) < sizeof buffer - 1 ? static_cast<size_t>(last - first)
                                                                               : sizeof buffer - 1;
    memcpy(buffer, first, length);
    buffer[length] = 0;
    const char* digits = buffer[0] == '-' ? buffer + 1 : buffer;
    if (length == 0 || *digits == ' ' || *digits == '\t' || *digits == '+' || *digits == '-' ||
        (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))) {
        return {first, errc::invalid_argument};
    }
    char* end = nullptr;
    errno = 0;
    const double parsed = strtod(buffer, &end);
    if (end == buffer) return {first, errc::invalid_argument};
    const char* stop = first + (end - buffer);
    const Number result = static_cast<Number>(parsed);
    if (errno == ERANGE || (std::isinf(result) && !std::isinf(parsed))) return {stop, errc::result_out_of_range};
    value = result;
    return {stop, errc{}};
}
}  // namespace wasm_compat

inline from_chars_result from_chars(const char* first, const char* last, double& value) {
    return wasm_compat::parse_floating(first, last, value);
}
inline from_chars_result from_chars(const char* first, const char* last, float& value) {
    return wasm_compat::parse_floating(first, last, value);
}
}  // namespace std
#endif
