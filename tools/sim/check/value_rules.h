#pragma once
// What `check` says of a value: what the plugin's reader makes of it when
// that may not be what was meant, a list that does not read, a number
// outside the range where it makes sense, a [Base_Degradation] key that can
// never match a relationship group.

#include <optional>
#include <string>
#include <vector>

#include "config/settings_table.h"
#include "shared/findings.h"

namespace sim {

struct Oddity {
    Severity severity;
    std::string message;
    std::string suggestion;
};

// Every oddity of a key's value, by its kind; sets falls_back for a list
// that does not read.
std::vector<Oddity> value_oddities(const std::string& value, const std::string& section, const SettingKey& row,
                                   bool& falls_back);
// A [Base_Degradation] key that can never be an NPC's relationship group.
std::optional<Oddity> group_name_oddity(const std::string& key);

}  // namespace sim
