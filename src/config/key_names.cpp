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

namespace vk = virtual_key;

constexpr std::array named_keys = std::to_array<NamedKey>({
    {"INSERT", vk::insert, true},  {"DELETE", vk::del, true},        {"HOME", vk::home, true},
    {"END", vk::end, true},        {"PAGEUP", vk::page_up, true},    {"PAGEDOWN", vk::page_down, true},
    {"UP", vk::up, false},         {"DOWN", vk::down, false},        {"LEFT", vk::left, false},
    {"RIGHT", vk::right, false},   {"RETURN", vk::enter, false},     {"BACK", vk::back, false},
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
        if (c >= 'a' && c <= 'z') return vk::letter_a + (c - 'a');
        if (c >= '0' && c <= '9') return vk::digit0 + (c - '0');
        return 0;
    }
    if (ini_lower_char(name[0]) == 'f') {
        const int n = number(name.substr(1), 24);
        return n >= 1 ? vk::f1 + n - 1 : 0;
    }
    if (name.size() == 7 && same_ini_name(name.substr(0, 6), "NUMPAD")) {
        const int n = number(name.substr(6), 9);
        return n >= 0 ? vk::numpad0 + n : 0;
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
    if (code >= vk::f1 && code < vk::f1 + 24) {
        std::snprintf(numbered, sizeof numbered, "F%d", code - vk::f1 + 1);
    } else if (code >= vk::numpad0 && code < vk::numpad0 + 10) {
        std::snprintf(numbered, sizeof numbered, "NUMPAD%d", code - vk::numpad0);
    } else if ((code >= vk::letter_a && code < vk::letter_a + 26) || (code >= vk::digit0 && code < vk::digit0 + 10)) {
        std::snprintf(numbered, sizeof numbered, "%c", code);
    } else {
        return nullptr;
    }
    return numbered;
}
