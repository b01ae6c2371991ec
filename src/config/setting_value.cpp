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

StoredPlace stored_place(const SettingName& name, bool insert) {
    const auto in = [&name, insert](auto& table) -> StoredPlace {
        if (insert) return &table[name.instance];
        const auto found = table.find(name.instance);
        if (found == table.end()) return std::monostate{};
        return &found->second;
    };
    return std::visit(Overloaded{
                          [](auto ModSettings::*field) -> StoredPlace { return &(settings.*field); },
                          [](std::vector<BaseDegradationEntry> ModSettings::*) -> StoredPlace { return {}; },
                          [&](auto ClassTuning::*table) { return in(class_tuning.*table); },
                          [&](auto ShooterTuning::*table) { return in(shooter_tuning.*table); },
                      },
                      name.row->store);
}

// A list's numbers and where the plugin keeps each.
constexpr std::array<float RecoilRange::*, 2> range_order = {&RecoilRange::low, &RecoilRange::high};

template <typename List, std::size_t count>
void list_to_value(const List& list, const std::array<float List::*, count>& order, SettingValue& value) {
    for (std::size_t i = 0; i < count; ++i) value.list[i] = list.*order[i];
}
template <typename List, std::size_t count>
void value_to_list(const SettingValue& value, const std::array<float List::*, count>& order, List& list) {
    for (std::size_t i = 0; i < count; ++i) list.*order[i] = value.list[i];
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
        case ValueKind::number: value.number = static_cast<float>(std::atof(text)); break;
        case ValueKind::flag: value.number = std::atoi(text) != 0 ? 1.0f : 0.0f; break;
        case ValueKind::exact_switch:
        case ValueKind::whole_number: value.whole = std::atoi(text); break;
        case ValueKind::text: value.text = text; break;
        case ValueKind::pair:
        case ValueKind::seven: {
            // The text's numbers when it holds them all, else the fallback's.
            value.list_size = row.kind == ValueKind::pair ? 2 : 7;
            for (const char* numbers : {text, fallback_of(row)}) {
                const ListNumbers list = read_list_numbers(numbers, value.list_size);
                if (list.read < value.list_size) continue;
                value.list = list.numbers;
                break;
            }
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
                   [&](RecoilRange* range) { list_to_value(*range, range_order, value); },
                   [&](RecoilModifiers* factors) { list_to_value(*factors, recoil_modifier_order, value); },
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
                   [&](RecoilRange* range) { value_to_list(value, range_order, *range); },
                   [&](RecoilModifiers* factors) { value_to_list(value, recoil_modifier_order, *factors); },
               },
               stored_place(name, true));
}

bool value_on(const SettingValue& value) {
    if (value.kind == ValueKind::exact_switch) return value.whole == 1;
    return value.number != 0.0f;
}
