#include "config/ini_text.h"

#include <cstring>

std::string drop_unclosed_section_lines(std::string text) {
    std::size_t pos = 0;
    if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0) pos = 3;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        std::size_t first = pos;
        while (first < end && (text[first] == ' ' || text[first] == '\t')) ++first;
        if (first < end && text[first] == '[' &&
            text.find(']', first) >= end) {
            text.replace(pos, end - pos, end - pos, ' ');
        }
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
    return text;
}
