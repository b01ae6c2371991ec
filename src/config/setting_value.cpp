// A key's value: what the plugin makes of its text, and where the plugin
// holds it. The loader stores through here, and the menu, the tools' check
// and the tuner page read through here, so that all of them agree on every
// kind of value.

#include <cstdio>
#include <cstdlib>
#include <variant>

#include "common/overloaded.h"
#include "config/settings_table.h"

namespace {

// Where the plugin holds a named key's value: one of these, or nothing where
// a per-class or per-shooter table lacks the instance and is only searched.
using StoredPlace = std::variant<std::monostate, float*, bool*, int*, std::string*, RecoilRange*, RecoilModifiers*>;

template <typename Table>
auto* place_in(Table& table, const char* key, bool insert) {
    if (insert) return &table[key];
    const auto found = table.find(key);
    return found == table.end() ? nullptr : &found->second;
}

StoredPlace stored_place(const SettingName& name, bool insert) {
    const auto or_none = [](auto* place) -> StoredPlace {
        if (place == nullptr) return std::monostate{};
        return place;
    };
    const char* instance = name.instance;
    return std::visit(Overloaded{
                          [](float ModSettings::*field) -> StoredPlace { return &(settings.*field); },
                          [](bool ModSettings::*field) -> StoredPlace { return &(settings.*field); },
                          [](std::string ModSettings::*field) -> StoredPlace { return &(settings.*field); },
                          [](std::vector<BaseDegradationEntry> ModSettings::*) -> StoredPlace {
                              return std::monostate{};
                          },
                          [&](auto ClassTuning::*table) { return or_none(place_in(class_tuning.*table, instance, insert)); },
                          [&](auto ShooterTuning::*table) {
                              return or_none(place_in(shooter_tuning.*table, instance, insert));
                          },
                      },
                      name.row->store);
}

// The numbers of a list text, as many as asked for; false when it holds fewer.
bool scan_list(const char* text, std::array<float, 7>& numbers, int count) {
    const ListNumbers list = read_list_numbers(text, count);
    if (list.read < count) return false;
    numbers = list.numbers;
    return true;
}

}  // namespace

ListNumbers read_list_numbers(const char* text, int count) {
    ListNumbers list;
    std::array<float, 7>& n = list.numbers;
    const int read = count == 7 ? std::sscanf(text, "%f,%f,%f,%f,%f,%f,%f%n", &n[0], &n[1], &n[2], &n[3], &n[4],
                                              &n[5], &n[6], &list.used)
                                : std::sscanf(text, "%f,%f%n", &n[0], &n[1], &list.used);
    list.read = read == EOF ? 0 : read;
    return list;
}

SettingValue value_of_text(const SettingKey& row, const char* text) {
    SettingValue value;
    value.kind = row.kind;
    switch (row.kind) {
        case ValueKind::number:
            value.number = static_cast<float>(std::atof(text));
            break;
        case ValueKind::flag:
            value.number = std::atoi(text) != 0 ? 1.0f : 0.0f;
            break;
        case ValueKind::exact_switch:
        case ValueKind::whole_number:
            value.whole = std::atoi(text);
            break;
        case ValueKind::text:
            value.text = text;
            break;
        case ValueKind::pair:
        case ValueKind::seven: {
            value.list_size = row.kind == ValueKind::pair ? 2 : 7;
            if (!scan_list(text, value.list, value.list_size)) scan_list(fallback_of(row), value.list, value.list_size);
            break;
        }
    }
    return value;
}

SettingValue stored_value(const SettingName& name) {
    SettingValue value;
    value.kind = name.row->kind;
    if (value.kind == ValueKind::pair || value.kind == ValueKind::seven) {
        value.list_size = value.kind == ValueKind::pair ? 2 : 7;
    }
    std::visit(Overloaded{
                   [&](std::monostate) { value.held = false; },
                   [&](float* number) { value.number = *number; },
                   [&](bool* flag) { value.number = *flag ? 1.0f : 0.0f; },
                   [&](int* whole) { value.whole = *whole; },
                   [&](std::string* text) { value.text = text->c_str(); },
                   [&](RecoilRange* range) { value.list = {range->low, range->high}; },
                   [&](RecoilModifiers* factors) {
                       for (std::size_t i = 0; i < recoil_modifier_order.size(); ++i) {
                           value.list[i] = factors->*recoil_modifier_order[i];
                       }
                   },
               },
               stored_place(name, false));
    return value;
}

void store_value(const SettingName& name, const char* text) {
    const SettingValue value = value_of_text(*name.row, text);
    std::visit(Overloaded{
                   [](std::monostate) {},
                   [&](float* number) { *number = value.number; },
                   [&](bool* flag) { *flag = value.number != 0.0f; },
                   [&](int* whole) { *whole = value.whole; },
                   [&](std::string* stored) { *stored = text; },
                   [&](RecoilRange* range) { *range = {value.list[0], value.list[1]}; },
                   [&](RecoilModifiers* factors) {
                       for (std::size_t i = 0; i < recoil_modifier_order.size(); ++i) {
                           factors->*recoil_modifier_order[i] = value.list[i];
                       }
                   },
               },
               stored_place(name, true));
}

bool value_on(const SettingValue& value) {
    if (value.kind == ValueKind::exact_switch) return value.whole == 1;
    return value.number != 0.0f;
}
