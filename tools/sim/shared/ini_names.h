#pragma once
// Section and key names of Barrelburst.ini compared as the plugin's INI
// reader compares them (config/ini_names.h), for the tools.

#include <string>
#include <string_view>

#include "config/ini_names.h"

namespace sim {

inline char lower_char(char c) { return ini_lower_char(c); }

inline std::string lower(std::string text) {
    for (char& c : text) c = lower_char(c);
    return text;
}

inline bool same_name(std::string_view a, std::string_view b) { return same_ini_name(a, b); }

}  // namespace sim
