#include "world/run_summary.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "config/settings.h"

namespace sim {

namespace {

// Classes in the order the tables know them, "unknown" last.
std::size_t class_rank(WeaponClass weapon_class) {
    const std::optional<TunedClass> tuned = tuned_class_of(weapon_class);
    return tuned ? static_cast<std::size_t>(*tuned) : tuned_class_count;
}

}  // namespace

std::vector<GroupSummary> summarise(const RunResult& result) {
    struct Weapon {
        std::size_t group;
        int first_failure = 0;
    };
    std::vector<GroupSummary> groups;
    std::map<std::int32_t, Weapon> weapons;
    const auto group_of = [&](bool is_npc, WeaponClass weapon_class) {
        for (std::size_t i = 0; i < groups.size(); ++i) {
            if (groups[i].is_npc == is_npc && std::strcmp(groups[i].weapon_class, weapon_class) == 0) return i;
        }
        GroupSummary g;
        g.is_npc = is_npc;
        g.weapon_class = weapon_class;
        groups.push_back(g);
        return groups.size() - 1;
    };
    for (const ShotRecord& shot : result.shots) {
        const std::size_t g = group_of(shot.is_npc, shot.weapon_class);
        GroupSummary& group = groups[g];
        ++group.shots;
        if (!shot.finished) ++group.unfinished;
        if (shot.outcome == ShotOutcome::crack) ++group.cracks;
        if (shot.outcome == ShotOutcome::explosion) ++group.explosions;
        auto [it, added] = weapons.try_emplace(shot.weapon_object, Weapon{g});
        if (added) ++group.weapons;
        if (shot.outcome != ShotOutcome::none && it->second.first_failure == 0) {
            it->second.first_failure = shot.weapon_shot;
        }
    }
    // The mean of the first failures: their sum, then divided.
    for (const auto& [object, weapon] : weapons) {
        if (weapon.first_failure == 0) continue;
        ++groups[weapon.group].failed_weapons;
        groups[weapon.group].shots_to_first_failure += weapon.first_failure;
    }
    for (GroupSummary& g : groups) {
        if (g.failed_weapons > 0) g.shots_to_first_failure /= g.failed_weapons;
    }
    std::sort(groups.begin(), groups.end(), [](const GroupSummary& a, const GroupSummary& b) {
        if (a.is_npc != b.is_npc) return !a.is_npc;
        return class_rank(a.weapon_class) < class_rank(b.weapon_class);
    });
    return groups;
}

}  // namespace sim
