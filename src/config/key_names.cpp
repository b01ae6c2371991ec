#include "config/key_names.h"

#include <array>
#include <cstdio>

#include "config/ini_names.h"

namespace {

struct NamedKey {
    const char* name;
    int code;
    bool opens_menu;
};

constexpr std::array named_keys = std::to_array<NamedKey>({
    {"INSERT", 0x2D, true}, {"DELETE", 0x2E, true}, {"HOME", 0x24, true},   {"END", 0x23, true},
    {"PAGEUP", 0x21, true}, {"PAGEDOWN", 0x22, true}, {"UP", 0x26, false},  {"DOWN", 0x28, false},
    {"LEFT", 0x25, false},  {"RIGHT", 0x27, false},   {"RETURN", 0x0D, false}, {"BACK", 0x08, false},
});

// "F1".."F24", "A".."Z", "0".."9", "NUMPAD0".."NUMPAD9".
int numbered_key(std::string_view name) {
    const auto number = [](std::string_view digits, int high) {
        if (digits.empty() || digits.size() > 2 || (digits[0] == '0' && digits.size() > 1)) return -1;
        int n = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') return -1;
            n = n * 10 + (c - '0');
        }
        return n <= high ? n : -1;
    };
    if (name.size() == 1) {
        const char c = ini_lower_char(name[0]);
        if (c >= 'a' && c <= 'z') return 'A' + (c - 'a');
        if (c >= '0' && c <= '9') return c;
        return 0;
    }
    if (ini_lower_char(name[0]) == 'f') {
        const int n = number(name.substr(1), 24);
        return n >= 1 ? 0x70 + n - 1 : 0;
    }
    if (name.size() == 7 && same_ini_name(name.substr(0, 6), "NUMPAD")) {
        const int n = number(name.substr(6), 9);
        return n >= 0 ? 0x60 + n : 0;
    }
    return 0;
}

}  // namespace

int menu_key_code(std::string_view name) {
    if (name.empty()) return 0;
    if (const int code = numbered_key(name)) return code;
    for (const NamedKey& key : named_keys) {
        if (key.opens_menu && same_ini_name(name, key.name)) return key.code;
    }
    return 0;
}

int key_code(std::string_view name) {
    if (const int code = menu_key_code(name)) return code;
    for (const NamedKey& key : named_keys) {
        if (same_ini_name(name, key.name)) return key.code;
    }
    return 0;
}

const char* key_name(int code) {
    static char numbered[8];
    for (const NamedKey& key : named_keys) {
        if (key.code == code) return key.name;
    }
    if (code >= 0x70 && code <= 0x87) {
        std::snprintf(numbered, sizeof numbered, "F%d", code - 0x70 + 1);
    } else if (code >= 0x60 && code <= 0x69) {
        std::snprintf(numbered, sizeof numbered, "NUMPAD%d", code - 0x60);
    } else if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) {
        std::snprintf(numbered, sizeof numbered, "%c", code);
    } else {
        return nullptr;
    }
    return numbered;
}
