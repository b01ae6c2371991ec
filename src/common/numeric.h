#pragma once

// lo when x is not at least lo (a NaN gives lo), otherwise the smaller of x and hi.
inline float clamp(float x, float lo, float hi) {
    if (!(x >= lo)) return lo;
    return x < hi ? x : hi;
}
