#pragma once
// Every setting the table stores, as text, floats by their exact bits: two
// loads gave the same settings exactly when their dumps are equal. A per-class
// or per-shooter row dumps every entry of its map, so an entry the loader
// should not have made shows too.

#include <cstdio>
#include <map>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "common/overloaded.h"
#include "config/settings.h"
#include "config/settings_table.h"

namespace test {

inline std::string exact(float value) {
    char text[48];
    std::snprintf(text, sizeof text, "%a", static_cast<double>(value));
    return text;
}

inline std::string dumped(float value) { return exact(value); }
inline std::string dumped(int value) { return std::to_string(value); }
inline std::string dumped(bool on) { return on ? "on" : "off"; }
inline std::string dumped(const std::string& text) { return "'" + text + "'"; }
inline std::string dumped(const RecoilRange& range) { return exact(range.low) + "," + exact(range.high); }
inline std::string dumped(const RecoilModifiers& factors) {
    std::string text;
    for (float RecoilModifiers::*factor : recoil_modifier_order) text += exact(factors.*factor) + ",";
    return text;
}
inline std::string dumped(const std::vector<BaseDegradationEntry>& entries) {
    std::string text;
    for (const BaseDegradationEntry& e : entries) {
        text += " '" + e.weapon_name + "' " + exact(e.low) + "," + exact(e.high);
    }
    return text;
}

inline std::string settings_dump() {
    std::string out;
    for (const SettingKey& row : settings_table) {
        const std::string name = std::string(row.section != nullptr ? row.section : "Player/NPC") + "/" + row.key;
        // A table in key order, whatever its own order, so that equal contents give equal text.
        const auto entries = [&out, &name](const auto& table) {
            using Value = typename std::decay_t<decltype(table)>::mapped_type;
            const std::map<std::string, Value> sorted(table.begin(), table.end());
            for (const auto& [key, value] : sorted) out += name + "[" + key + "]=" + dumped(value) + "\n";
        };
        std::visit(Overloaded{
                       [&](auto ModSettings::*field) { out += name + "=" + dumped(settings.*field) + "\n"; },
                       [&](auto ClassTuning::*table) { entries(class_tuning.*table); },
                       [&](auto ShooterTuning::*table) { entries(shooter_tuning.*table); },
                   },
                   row.store);
    }
    return out;
}

}  // namespace test
