#pragma once
// The game's string hash (Jenkins one-at-a-time over the lower-cased text),
// the hash MISC::GET_HASH_KEY answers: control actions are named by it.

#include <cstdint>

#include "common/types.h"

constexpr GameHash joaat(const char* text) {
    std::uint32_t hash = 0;
    for (const char* p = text; *p != 0; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        hash += c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
        hash += hash << 10;
        hash ^= hash >> 6;
    }
    hash += hash << 3;
    hash ^= hash >> 11;
    hash += hash << 15;
    return hash;
}

static_assert(joaat("INPUT_FRONTEND_UP") == 0x6319DB71u);
