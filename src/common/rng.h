#pragma once
// ModRng: the plugin's one random source, a 32-bit Mersenne twister seeded once
// at load from the high-resolution clock.

#include <cstdint>
#include <random>

using ModRng = std::mt19937;

extern ModRng mod_rng;

// Low 32 bits of the high-resolution clock's count in nanoseconds.
std::uint32_t mod_rng_clock_seed();

// The draws below come from ModRng; a replay of shots draws the same way
// from a generator of its own, so that the game's sequence stays untouched.

// The top 24 bits of the next output.
inline std::uint32_t next_draw_bits(ModRng& rng = mod_rng) { return static_cast<std::uint32_t>(rng() >> 8); }

// ((r >> 8) as float x (b - a)) x 2^-24 + a, in single precision: [a, b) for
// a < b, and a when a == b.
inline float uniform(float a, float b, ModRng& rng = mod_rng) {
    return static_cast<float>(next_draw_bits(rng)) * (b - a) * 5.9604645e-08f + a;
}

// A draw scaled by a fixed factor: (r >> 8) x factor + offset, for the
// operations whose range is a constant (factor = width x 2^-24).
inline float scaled_draw(float factor, float offset, ModRng& rng = mod_rng) {
    return static_cast<float>(next_draw_bits(rng)) * factor + offset;
}

// Fixed factors of the draws that use one.
inline constexpr float firing_dirt_factor = 1.0728836e-09f;   // 0.018 x 2^-24
inline constexpr float crack_wear_factor = 8.940696e-09f;     // 0.15 x 2^-24
inline constexpr float damage_scale_factor = 2.3841858e-08f;  // 0.4 x 2^-24
inline constexpr float unit_factor = 5.9604645e-08f;          // 2^-24
inline constexpr float signed_unit_factor = 1.1920929e-07f;   // 2^-23
