#include "common/rng.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <chrono>
#endif

std::uint32_t mod_rng_clock_seed() {
#if defined(_WIN32)
    // The performance counter scaled to nanoseconds, as MSVC's steady clock
    // reads it (mingw's libstdc++ steady clock reads the system time).
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    const long long freq = frequency.QuadPart;
    const long long count = counter.QuadPart;
    const long long whole = count / freq;
    const long long part = count % freq;
    const long long nanoseconds = whole * 1000000000LL + part * 1000000000LL / freq;
    return static_cast<std::uint32_t>(static_cast<unsigned long long>(nanoseconds));
#else
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch();
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    return static_cast<std::uint32_t>(static_cast<unsigned long long>(nanoseconds));
#endif
}

ModRng mod_rng{mod_rng_clock_seed()};
