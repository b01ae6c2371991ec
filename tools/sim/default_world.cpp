#include "default_world.h"

namespace sim {

namespace {

struct WeaponDefinition {
    const char* name;
    std::uint8_t types;
};

constexpr WeaponDefinition weapons[] = {
    {"WEAPON_REVOLVER_CATTLEMAN", standin::type_revolver},
    {"WEAPON_PISTOL_VOLCANIC", standin::type_pistol},
    {"WEAPON_RIFLE_SPRINGFIELD", standin::type_rifle},
    {"WEAPON_REPEATER_CARBINE", standin::type_repeater},
};

struct Condition {
    float dirt;
    float degradation;
};

void set_condition(standin::World& world, std::int32_t ped, Condition condition) {
    standin::Entity& weapon = world.weapon_of(ped);
    weapon.dirt = condition.dirt;
    weapon.degradation = condition.degradation;
}

bool can_fire(standin::World& world, std::int32_t ped) {
    const standin::Entity& p = world.ped(ped);
    return p.is_ped && !p.dead && p.has_weapon;
}

}  // namespace

Shooters build_default_world(standin::World& world) {
    for (const WeaponDefinition& w : weapons) world.define_weapon(standin::joaat(w.name), w.types);
    world.temperature = 14.0f;

    auto shooters = std::make_shared<std::vector<Shooter>>();
    const auto add_shooter = [&](std::string name, std::int32_t ped, const char* weapon, Condition condition,
                                 int first_frame, int interval) {
        set_condition(world, ped, condition);
        shooters->push_back({std::move(name), ped, weapon, first_frame, interval, 0});
    };

    world.arm(world.player_ped, standin::joaat("WEAPON_REVOLVER_CATTLEMAN"));
    add_shooter("player", world.player_ped, "WEAPON_REVOLVER_CATTLEMAN", {0.35f, 0.20f}, 10, 12);

    add_shooter("rifleman", world.add_armed_ped(standin::joaat("WEAPON_RIFLE_SPRINGFIELD"), {12.0f, 4.0f, 0.0f}),
                "WEAPON_RIFLE_SPRINGFIELD", {0.60f, 0.45f}, 30, 45);
    add_shooter("gunslinger", world.add_armed_ped(standin::joaat("WEAPON_PISTOL_VOLCANIC"), {-8.0f, 10.0f, 0.0f}),
                "WEAPON_PISTOL_VOLCANIC", {0.10f, 0.70f}, 17, 30);
    add_shooter("deputy", world.add_armed_ped(standin::joaat("WEAPON_REPEATER_CARBINE"), {5.0f, -15.0f, 0.0f}),
                "WEAPON_REPEATER_CARBINE", {0.85f, 0.0f}, 23, 25);
    // Unarmed: in the world list, never evaluated.
    world.add_ped({2.0f, 2.0f, 0.0f});

    world.on_frame = [shooters](standin::World& w, int frame) {
        for (Shooter& s : *shooters) {
            const bool fires = frame >= s.first_frame && (frame - s.first_frame) % s.interval == 0 &&
                               can_fire(w, s.ped);
            w.ped(s.ped).shooting = fires;
            if (fires) ++s.shots_fired;
        }
    };
    return shooters;
}

}  // namespace sim
