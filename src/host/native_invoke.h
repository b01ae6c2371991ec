#pragma once
// Typed native invocation over the host's three-step call: nativeInit with the
// hash, one nativePush64 per argument slot, nativeCall, then the result read
// at once from the returned slots.
//
// Marshalling:
//  - integers, booleans, handles and hashes: the low 32 bits, upper 32 zero
//    (also when the top bit is set: 0xD250A3F5 goes as 0x00000000D250A3F5);
//  - float: its single-precision bit pattern in the low 32 bits;
//  - strings and out-parameters: the pointer;
//  - Vec3: three slots x, y, z, each as a float;
//  - results: integers, booleans (non-zero is true), handles and floats from
//    the low 32 bits of slot 0, a string as the pointer in slot 0, a Vec3
//    from slots 0, 1 and 2.

#include <bit>
#include <cstdint>
#include <type_traits>

#include "common/types.h"
#include "host/host_api.h"

namespace native_invoke {

inline std::uint64_t low32(std::uint32_t bits) { return static_cast<std::uint64_t>(bits); }

inline void push(bool value) { nativePush64(value ? 1u : 0u); }
inline void push(float value) { nativePush64(low32(std::bit_cast<std::uint32_t>(value))); }
inline void push(const char* text) { nativePush64(reinterpret_cast<std::uintptr_t>(text)); }
inline void push(const Vec3& v) {
    push(v.x);
    push(v.y);
    push(v.z);
}
template <typename T>
    requires std::is_pointer_v<T>
inline void push(T out) {
    nativePush64(reinterpret_cast<std::uintptr_t>(out));
}
template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && sizeof(T) <= 4)
inline void push(T value) {
    nativePush64(low32(static_cast<std::uint32_t>(value)));
}
// Doubles never travel as such: a decimal constant goes as its nearest float.
void push(double) = delete;

template <typename R>
inline R result(const std::uint64_t* slots) {
    if constexpr (std::is_same_v<R, bool>) {
        return static_cast<std::uint32_t>(slots[0]) != 0;
    } else if constexpr (std::is_same_v<R, float>) {
        return std::bit_cast<float>(static_cast<std::uint32_t>(slots[0]));
    } else if constexpr (std::is_same_v<R, Vec3>) {
        return Vec3{std::bit_cast<float>(static_cast<std::uint32_t>(slots[0])),
                    std::bit_cast<float>(static_cast<std::uint32_t>(slots[1])),
                    std::bit_cast<float>(static_cast<std::uint32_t>(slots[2]))};
    } else if constexpr (std::is_same_v<R, const char*>) {
        return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(slots[0]));
    } else {
        static_assert(std::is_integral_v<R> && sizeof(R) <= 4, "unsupported native result type");
        return static_cast<R>(static_cast<std::uint32_t>(slots[0]));
    }
}

template <typename R = void, typename... Args>
inline R invoke(std::uint64_t hash, Args... args) {
    nativeInit(hash);
    (push(args), ...);
    const std::uint64_t* slots = nativeCall();
    if constexpr (!std::is_void_v<R>) return result<R>(slots);
}

}  // namespace native_invoke
