#include "world/world_driver.h"

#include <cmath>
#include <numbers>

namespace sim {

namespace {

// NPCs stand on a ring around the player.
constexpr double ring_radius = 15.0;
// Handles the world answers for the vehicle of a mounted NPC.
constexpr std::int32_t first_vehicle_handle = 0x70000;

}  // namespace

WorldDriver::WorldDriver(const Scenario& scenario, standin::World& world) : scenario_(scenario) {
    world.default_dictionary = {scenario.other_dictionaries.load, scenario.other_dictionaries.frames, -1, 0};
    for (const DictionarySetup& d : scenario.dictionaries) world.set_dictionary(d.name.c_str(), d.load, d.frames);
    world.temperature = scenario.temperature_at(0);
    // The world holds each key and button down in the frames the scenario says.
    world.presses = scenario.presses;

    const auto define = [&](const ShooterSetup& setup) {
        if (setup.weapon) {
            world.define_weapon(standin::joaat(setup.weapon->name.c_str()), weapon_type_bits(setup.weapon->kind));
        }
    };
    define(scenario.player);
    for (const ShooterSetup& npc : scenario.npcs) define(npc);

    if (scenario.player.weapon) {
        Shooter player;
        player.name = "player";
        player.ped = world.player_ped;
        player.weapon_name = scenario.player.weapon->name;
        player.weapon_hash = standin::joaat(player.weapon_name.c_str());
        player.firing = scenario.player.firing;
        shooters_.push_back(player);
    }

    add_npcs(world);
    arm_and_index(world);
}

// The NPC groups, one ped at a time, evenly on a ring around the player.
void WorldDriver::add_npcs(standin::World& world) {
    int total = 0;
    for (const ShooterSetup& npc : scenario_.npcs) total += npc.count;
    int placed = 0;
    for (std::size_t g = 0; g < scenario_.npcs.size(); ++g) {
        const ShooterSetup& setup = scenario_.npcs[g];
        for (int i = 0; i < setup.count; ++i) {
            const double angle = 2.0 * std::numbers::pi * placed / (total > 0 ? total : 1);
            ++placed;
            const Vec3 position{static_cast<float>(ring_radius * std::cos(angle)),
                                static_cast<float>(ring_radius * std::sin(angle)), 0.0f};
            Shooter s;
            s.name = setup.count > 1 ? setup.name + "-" + std::to_string(i + 1) : setup.name;
            s.is_npc = true;
            s.ped = world.add_ped(position);
            s.group = g;
            s.firing = setup.firing;
            s.firing.start += i * setup.stagger;
            if (setup.weapon) {
                s.weapon_name = setup.weapon->name;
                s.weapon_hash = standin::joaat(s.weapon_name.c_str());
            }
            standin::Entity& ped = world.ped(s.ped);
            if (!setup.relationship.empty()) ped.relationship_hash = standin::joaat(setup.relationship.c_str());
            if (setup.in_vehicle) ped.vehicle = first_vehicle_handle + placed;
            shooters_.push_back(s);
        }
    }
}

// Every shooter armed as the scenario says, and found by its ped handle.
void WorldDriver::arm_and_index(standin::World& world) {
    for (std::size_t i = 0; i < shooters_.size(); ++i) {
        Shooter& s = shooters_[i];
        // The weapon drops from the first attach point when it explodes.
        world.ped(s.ped).attach_points[0] = 1;
        if (!s.weapon_name.empty()) arm(world, s, 0);
        const auto offset = static_cast<std::size_t>(s.ped - standin::World::first_entity_handle);
        if (shooter_by_ped_.size() <= offset) shooter_by_ped_.resize(offset + 1, 0);
        shooter_by_ped_[offset] = static_cast<std::int32_t>(i + 1);
    }
}

const ShooterSetup& WorldDriver::setup_of(const Shooter& shooter) const {
    return shooter.is_npc ? scenario_.npcs[shooter.group] : scenario_.player;
}

void WorldDriver::arm(standin::World& world, Shooter& shooter, int frame) {
    const WeaponSetup& weapon = *setup_of(shooter).weapon;
    const std::int32_t object = world.arm(shooter.ped, shooter.weapon_hash);
    world.object(object).dirt = weapon.dirt;
    world.object(object).degradation = weapon.degradation;
    shooter.armed_frame = frame;
    shooter.lost_frame = -1;
}

std::size_t WorldDriver::index_of(std::int32_t ped) const {
    const std::int64_t offset = static_cast<std::int64_t>(ped) - standin::World::first_entity_handle;
    if (offset < 0 || offset >= static_cast<std::int64_t>(shooter_by_ped_.size())) return no_shooter;
    const std::int32_t index = shooter_by_ped_[static_cast<std::size_t>(offset)];
    return index > 0 ? static_cast<std::size_t>(index - 1) : no_shooter;
}

std::vector<GameHash> WorldDriver::weapon_hashes() const {
    std::vector<GameHash> hashes;
    for (const Shooter& s : shooters_) {
        if (!s.weapon_name.empty()) hashes.push_back(s.weapon_hash);
    }
    return hashes;
}

void WorldDriver::begin_frame(standin::World& world, int frame) {
    world.temperature = scenario_.temperature_at(frame);

    standin::Entity& player = world.ped(world.player_ped);
    const ShooterSetup& p = scenario_.player;
    player.in_water = p.in_water.at(frame);
    player.in_cover = p.in_cover.at(frame);
    player.crouching = p.crouching.at(frame);
    player.combat_movement = p.combat_movement.at(frame) ? 1 : 0;
    world.free_aiming = p.free_aiming.at(frame);
    // The player pulls the view back down after a kick.
    if (world.camera_pitch > p.aim_recovery) {
        world.camera_pitch -= p.aim_recovery;
    } else if (world.camera_pitch > 0.0f) {
        world.camera_pitch = 0.0f;
    }

    // Who went down in the last frame lies there for a while.
    for (; falls_seen_ < world.falls.size(); ++falls_seen_) {
        const std::size_t index = index_of(world.falls[falls_seen_].ped);
        if (index != no_shooter) shooters_[index].down_until = frame + scenario_.fall_recovery - 1;
    }

    for (Shooter& s : shooters_) {
        if (!world.ped(s.ped).has_weapon) {
            if (s.lost_frame < 0) s.lost_frame = frame;
            const int rearm_after = setup_of(s).rearm_after;
            // Arming adds a weapon object to the world, which may move its entities.
            if (rearm_after > 0 && frame >= s.lost_frame + rearm_after) arm(world, s, frame);
        }
        standin::Entity& ped = world.ped(s.ped);
        // A weapon is not fired in the frame it is drawn.
        ped.shooting = ped.has_weapon && frame != s.armed_frame && frame > s.down_until && s.firing.fires(frame);
    }
}

}  // namespace sim
