#pragma once
// printf-style text for the tools' tables and pages.

#include <cstdio>
#include <string>

namespace sim {

// At most 511 characters; the rest is cut.
std::string format(const char* pattern, auto... values) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

}  // namespace sim
