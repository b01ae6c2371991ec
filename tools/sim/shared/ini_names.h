#pragma once
// Section and key names of Barrelburst.ini compared as the plugin's INI
// reader compares them: ASCII letters without case, every other byte as it is.

#include <algorithm>
#include <string>
#include <string_view>

namespace sim {

inline char lower_char(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string lower(std::string text) {
    for (char& c : text) c = lower_char(c);
    return text;
}

inline bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower_char(x) == lower_char(y); });
}

}  // namespace sim
