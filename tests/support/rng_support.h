#pragma once
// Random draws for tests, made with the tests' own generator: seeds whose
// draws fall where a test needs them, and generators that give chosen outputs.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <vector>

namespace test {

// The 24 bits a draw uses.
inline std::uint32_t draw_bits(std::mt19937& generator) { return static_cast<std::uint32_t>(generator() >> 8); }

// The first seed from 1 on for which the predicate, given a fresh generator of
// that seed, returns true.
template <typename Predicate>
std::uint32_t find_seed(Predicate predicate) {
    for (std::uint32_t seed = 1; seed < 2000000; ++seed) {
        std::mt19937 generator(seed);
        if (predicate(generator)) return seed;
    }
    ADD_FAILURE() << "no seed found";
    return 0;
}

// Undoes the generator's output tempering.
inline std::uint32_t untemper(std::uint32_t y) {
    std::uint32_t x = y;
    for (int i = 0; i < 2; ++i) x = y ^ (x >> 18);
    y = x;
    for (int i = 0; i < 3; ++i) x = y ^ ((x << 15) & 0xefc60000u);
    y = x;
    for (int i = 0; i < 5; ++i) x = y ^ ((x << 7) & 0x9d2c5680u);
    y = x;
    for (int i = 0; i < 3; ++i) x = y ^ (x >> 11);
    return x;
}

// A generator whose next outputs are exactly these (at most 624); checked here.
inline std::mt19937 generator_with_outputs(const std::vector<std::uint32_t>& outputs) {
    std::stringstream state;
    for (std::size_t i = 0; i < 624; ++i) state << (i < outputs.size() ? untemper(outputs[i]) : 0u) << ' ';
    state << 0;  // position in the state: the next output is the first word
    std::mt19937 generator;
    state >> generator;
    std::mt19937 check = generator;
    for (const std::uint32_t expected : outputs) EXPECT_EQ(check(), expected) << "crafted generator";
    return generator;
}

// An output whose draw bits are these.
inline std::uint32_t output_with_bits(std::uint32_t bits) { return bits << 8; }

}  // namespace test
