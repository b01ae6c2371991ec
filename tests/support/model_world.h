#pragma once
// Helpers for the tests of the shot model: armed peds in the stand-in world,
// the plugin's random draws recomputed with an independent generator, and the
// scan's share of a frame's log.

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "host.h"
#include "world.h"

namespace test {

// Weapon hashes of the tests, each defined with its type answers by arm_world().
inline const GameHash pistol_weapon = standin::joaat("weapon_pistol_volcanic");
inline const GameHash revolver_weapon = standin::joaat("weapon_revolver_cattleman");
inline const GameHash repeater_weapon = standin::joaat("weapon_repeater_carbine");
inline const GameHash rifle_sniper_weapon = standin::joaat("weapon_rifle_springfield");
inline const GameHash sniper_weapon = standin::joaat("weapon_sniperrifle_rollingblock");
inline const GameHash shotgun_weapon = standin::joaat("weapon_shotgun_pump");
inline const GameHash lasso_weapon = standin::joaat("weapon_lasso");

inline void define_test_weapons(standin::World& world) {
    world.define_weapon(pistol_weapon, standin::type_pistol);
    world.define_weapon(revolver_weapon, standin::type_revolver);
    world.define_weapon(repeater_weapon, standin::type_repeater);
    world.define_weapon(rifle_sniper_weapon, standin::type_rifle | standin::type_sniper);
    world.define_weapon(sniper_weapon, standin::type_sniper);
    world.define_weapon(shotgun_weapon, standin::type_shotgun);
}

// Arms the ped with a new weapon object of the given condition; returns the object.
inline std::int32_t arm_with(standin::World& world, std::int32_t ped, GameHash weapon, float dirt,
                             float degradation) {
    const std::int32_t object = world.arm(ped, weapon);
    world.object(object).dirt = dirt;
    world.object(object).degradation = degradation;
    return object;
}

// The 24-bit value of each of the first n outputs of a Mersenne twister with this seed.
inline std::vector<std::uint32_t> draw_bits(std::uint32_t seed, int n) {
    std::mt19937 rng(seed);
    std::vector<std::uint32_t> bits;
    for (int i = 0; i < n; ++i) bits.push_back(static_cast<std::uint32_t>(rng() >> 8));
    return bits;
}

// A 24-bit value as a unit draw: k x 2^-24.
inline float unit_of(std::uint32_t bits) { return static_cast<float>(bits) * 5.9604645e-08f; }

// The first seed from 1 on whose draws satisfy the test.
inline std::uint32_t seed_where(int draws, const std::function<bool(const std::vector<float>&)>& wanted) {
    for (std::uint32_t seed = 1;; ++seed) {
        std::vector<float> units;
        for (std::uint32_t bits : draw_bits(seed, draws)) units.push_back(unit_of(bits));
        if (wanted(units)) return seed;
    }
}

// The log lines of a frame without the camera kick's natives (its player id
// query and what follows it), so that a shot's frame reads the same whether
// or not a kick is pending.
inline std::vector<std::string> lines_without_kick(const standin::Host& host, int frame) {
    std::vector<const standin::Call*> calls = host.calls_in_frame(frame);
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const standin::Call& c = *calls[i];
        if (c.is(0x936F967D4BE1CE9D) || c.is(0x99AADEBBA803F827) || c.is(0xFB760AF4F537B8BF)) continue;
        if (c.is(0x217E9DC48139933D) && i + 1 < calls.size() && calls[i + 1]->is(0x936F967D4BE1CE9D)) continue;
        lines.push_back(standin::format_call(c));
    }
    return lines;
}

// The frame's calls of the given natives, formatted, in order.
inline std::vector<std::string> lines_of(const standin::Host& host, int frame,
                                         const std::vector<std::uint64_t>& hashes) {
    std::vector<std::string> lines;
    for (const standin::Call* c : host.calls_in_frame(frame)) {
        for (std::uint64_t h : hashes) {
            if (c->is(h)) {
                lines.push_back(standin::format_call(*c));
                break;
            }
        }
    }
    return lines;
}

}  // namespace test
