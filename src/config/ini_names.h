#pragma once
// Section and key names of Barrelburst.ini compared as the plugin's INI
// reader compares them: ASCII letters without case, every other byte as it is.

#include <algorithm>
#include <string_view>

inline char ini_lower_char(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool same_ini_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return ini_lower_char(x) == ini_lower_char(y);
           });
}
