#include "check/check_parts.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>
#include <variant>

#include "config/key_names.h"
#include "config/ini_names.h"

namespace sim {

namespace {

// A value the reader takes only the start of: what it reads as, and the rest it ignores.
Oddity rest_ignored(const std::string& value, const std::string& reading, const std::string& rest) {
    const bool comment = is_comment(rest);
    return Oddity{Severity::warning,
                  quote(value) + " reads as " + reading + "; the rest " + quote(rest) + " is ignored" +
                      (comment ? " (a comment after a value is part of the value)" : ""),
                  comment ? "put the comment on a line of its own" : ""};
}

bool integral(ValueKind kind) {
    return kind == ValueKind::flag || kind == ValueKind::exact_switch || kind == ValueKind::whole_number;
}

// What atoi or atof makes of the text, when that may not be what was meant.
std::optional<Oddity> number_oddity(const std::string& value, const SettingKey& row) {
    const bool flag = row.kind == ValueKind::flag;
    const std::string zero = flag ? "off" : "0";
    if (value.empty()) {
        const std::string default_effect = flag ? (std::string(row.default_text) == "0" ? "off" : "on")
                                                : row.default_text;
        return Oddity{Severity::warning,
                      "the value is empty: it reads as " + zero + ", not as the default " + default_effect,
                      "delete the line to get the default"};
    }
    const char* start = value.c_str();
    char* end = nullptr;
    double number = 0.0;
    long whole = 0;  // kept apart: LONG_MAX as a double does not convert back
    if (integral(row.kind)) {
        whole = std::strtol(start, &end, 10);
        number = static_cast<double>(whole);
    } else {
        number = std::strtod(start, &end);
    }
    if (end == start) {
        return Oddity{Severity::error, quote(value) + " is not a number: it reads as " + zero,
                      flag || row.kind == ValueKind::exact_switch ? "write 1 for on, 0 for off" : "write a number"};
    }
    const std::string reading = flag ? std::string(number != 0.0 ? "on" : "off")
                                     : (integral(row.kind) ? std::to_string(whole)
                                                           : number_text(number));
    const std::string rest = trimmed(end);
    if (!rest.empty()) return rest_ignored(value, reading, rest);
    return std::nullopt;
}

// A shooter switch that is neither 0 nor 1.
std::optional<Oddity> switch_oddity(const std::string& value, const std::string& section, const SettingKey& row) {
    const long number = std::strtol(value.c_str(), nullptr, 10);
    if (number == 0 || number == 1) return std::nullopt;
    std::string message = quote(value) + " is kept as " + std::to_string(number) + ", and only exactly 1 counts as on";
    if (std::strcmp(row.key, "enable_explosion") == 0 && same_ini_name(section, "NPC")) {
        message += ": the scan still evaluates NPCs (it skips them only for 0), but their blasts, effects and base "
                   "degradation need 1";
    }
    return Oddity{Severity::warning, message, "write 1 for on, 0 for off"};
}

std::optional<Oddity> text_oddity(const std::string& value) {
    if (value.empty()) return Oddity{Severity::error, "the name is empty: no effect of that name exists", ""};
    const std::size_t comment = value.find_first_of(";#");
    if (comment != std::string::npos) {
        return Oddity{Severity::error,
                      "the name is " + quote(value) + " as a whole: a comment after a value is part of the value",
                      "put the comment on a line of its own"};
    }
    if (value.front() == '"' || value.front() == '\'') {
        return Oddity{Severity::error, "quotes stay part of the name " + quote(value), "write the name without quotes"};
    }
    if (value.find_first_of(" \t") != std::string::npos) {
        return Oddity{Severity::warning, "the name " + quote(value) + " holds a blank", ""};
    }
    return std::nullopt;
}

// The names [Main] menu_key takes, from the menu's own list of keys: names
// in a row (F1, F2, ... F24) as one range.
bool next_in_row(std::string_view name, std::string_view next) {
    if (name.size() == 1 && next.size() == 1) return next[0] == name[0] + 1;
    const auto digits_at = [](std::string_view text) { return text.find_last_not_of("0123456789") + 1; };
    const std::size_t at = digits_at(name);
    if (at == name.size() || at != digits_at(next) || name.substr(0, at) != next.substr(0, at)) return false;
    return std::atoi(std::string(next.substr(at)).c_str()) == std::atoi(std::string(name.substr(at)).c_str()) + 1;
}

const std::string& menu_key_names() {
    static const std::string names = [] {
        std::vector<std::pair<std::string, std::string>> runs;  // the first and the last name of each
        int previous = 0;
        for (int code = 1; code < 256; ++code) {
            const char* name = key_name(code);
            if (name == nullptr || menu_key_code(name) != code) continue;
            if (previous == code - 1 && !runs.empty() && next_in_row(runs.back().second, name)) {
                runs.back().second = name;
            } else {
                runs.push_back({name, name});
            }
            previous = code;
        }
        std::string out;
        for (const auto& [first, last] : runs) {
            out += (out.empty() ? "" : ", ") + first + (first == last ? "" : "-" + last);
        }
        return out;
    }();
    return names;
}

bool is_menu_key(const SettingKey& row) {
    const auto* field = std::get_if<std::string ModSettings::*>(&row.store);
    return field != nullptr && *field == &ModSettings::menu_key;
}

// A menu_key that names no key the menu knows: the menu never opens. Empty is
// meant: no menu.
std::optional<Oddity> menu_key_oddity(const std::string& value) {
    if (value.empty() || menu_key_code(value) != 0) return std::nullopt;
    const char* comment = value.find_first_of(";#") != std::string::npos
                              ? " (a comment after a value is part of the value)"
                              : "";
    return Oddity{
        Severity::error,
        quote(value) + " is not a key the menu knows" + comment + ": there will be no settings menu in the game",
        "write one of " + menu_key_names() + ", or leave it empty for no menu"};
}

// A list as the loader reads it: the numbers when they are all there.
struct ListReading {
    std::vector<float> numbers;  // empty: the fallback applies
    int got = 0;
    std::string rest;            // after the last wanted number
};

ListReading read_list(const std::string& value, ValueKind kind) {
    const int wanted = kind == ValueKind::seven ? 7 : 2;
    const ListNumbers list = read_list_numbers(value.c_str(), wanted);
    ListReading reading;
    reading.got = list.read;
    if (reading.got == wanted) {
        reading.numbers.assign(list.numbers.begin(), list.numbers.begin() + wanted);
        if (list.used >= 0) reading.rest = trimmed(value.substr(static_cast<std::size_t>(list.used)));
    }
    return reading;
}

// What a list value gives, when it is not what was written.
std::optional<Oddity> list_oddity(const std::string& value, const SettingKey& row, const ListReading& reading) {
    const int wanted = row.kind == ValueKind::seven ? 7 : 2;
    if (reading.numbers.empty()) {
        std::string why = "does not read as " + std::to_string(wanted) + " numbers joined by commas";
        if (value.find(" ,") != std::string::npos || value.find("\t,") != std::string::npos) {
            why += " (a blank before a comma ends the list)";
        } else if (reading.got > 0) {
            why += " (it holds " + std::to_string(reading.got) + ")";
        }
        return Oddity{Severity::error, quote(value) + " " + why + ": it falls back to " + fallback_of(row),
                      "write " + std::to_string(wanted) + " numbers, each comma right after a number"};
    }
    if (!reading.rest.empty()) {
        return rest_ignored(value, "its first " + std::to_string(wanted) + " numbers", reading.rest);
    }
    return std::nullopt;
}

// "0 or more", "0 to 1", "0 to below 1".
std::string range_text(const ValueRange& range) {
    if (std::isinf(range.high)) return number_text(range.low) + " or more";
    return number_text(range.low) + (range.high_excluded ? " to below " : " to ") + number_text(range.high);
}

bool in_range(float value, const ValueRange& range) {
    if (!(value >= range.low)) return false;
    return range.high_excluded ? value < range.high : value <= range.high;
}

std::optional<Oddity> range_oddity(const std::vector<float>& numbers, const SettingKey& row) {
    if (!row.has_range) return std::nullopt;
    for (const float number : numbers) {
        if (in_range(number, row.range)) continue;
        std::string message = number_text(number) + " is outside the range where it makes sense, " +
                              range_text(row.range);
        if (row.range.outside != nullptr) message += std::string(": ") + row.range.outside;
        return Oddity{Severity::warning, message, "use a value of " + range_text(row.range)};
    }
    return std::nullopt;
}

std::optional<Oddity> order_oddity(const std::vector<float>& numbers, const SettingKey& row) {
    if (row.kind != ValueKind::pair || numbers.size() != 2 || !(numbers[0] > numbers[1])) return std::nullopt;
    return Oddity{Severity::warning,
                  "the low " + number_text(numbers[0]) + " is above the high " + number_text(numbers[1]) +
                      ": the draw still falls between the two, but low,high is meant",
                  "write the lower number first: " + number_text(numbers[1]) + "," + number_text(numbers[0])};
}

constexpr const char* use_a_group =
    "use a relationship group, for example REL_GANG_ODRISCOLL, REL_GANG_LEMOYNE_RAIDERS, REL_GANG_MURFREE_BROOD, "
    "REL_GANG_SKINNER_BROTHERS, REL_GANG_LARAMIE_GANG, REL_GANG_SMUGGLERS, REL_GANG_CREOLE, REL_GANG_DUTCHS, "
    "REL_GUNSLINGERS, REL_CRIMINALS";

}  // namespace

std::vector<Oddity> value_oddities(const std::string& value, const std::string& section, const SettingKey& row,
                                   bool& falls_back) {
    std::vector<Oddity> found;
    const auto add = [&found](std::optional<Oddity> oddity) {
        if (oddity) found.push_back(std::move(*oddity));
    };
    switch (row.kind) {
        case ValueKind::number:
            add(number_oddity(value, row));
            add(range_oddity({static_cast<float>(std::atof(value.c_str()))}, row));
            break;
        case ValueKind::flag:
        case ValueKind::whole_number:
            add(number_oddity(value, row));
            break;
        case ValueKind::exact_switch: {
            const std::optional<Oddity> number = number_oddity(value, row);
            add(number ? number : switch_oddity(value, section, row));
            break;
        }
        case ValueKind::text:
            add(is_menu_key(row) ? menu_key_oddity(value) : text_oddity(value));
            break;
        case ValueKind::pair:
        case ValueKind::seven: {
            const ListReading reading = read_list(value, row.kind);
            falls_back = reading.numbers.empty();
            add(list_oddity(value, row, reading));
            add(order_oddity(reading.numbers, row));
            add(range_oddity(reading.numbers, row));
            break;
        }
    }
    return found;
}

std::optional<Oddity> group_name_oddity(const std::string& key) {
    const std::string compared =
        "the plugin compares each key, hashed, with the relationship group of the NPC who shoots, so ";
    if (starts_with_name(key, "WEAPON_")) {
        return Oddity{Severity::error, quote(key) + " is a weapon name: " + compared + "a weapon name never matches",
                      use_a_group};
    }
    if (!starts_with_name(key, "REL_")) {
        return Oddity{Severity::error,
                      quote(key) + " is not a relationship-group name (REL_...): " + compared +
                          "it applies only to a group of exactly that name",
                      use_a_group};
    }
    return std::nullopt;
}

}  // namespace sim
