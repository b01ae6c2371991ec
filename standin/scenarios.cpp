#include "scenarios.h"

namespace standin {
namespace {

// The weapons of the named worlds, by the game's names.
struct KnownWeapons {
    GameHash revolver = joaat("weapon_revolver_cattleman");
    GameHash pistol = joaat("weapon_pistol_volcanic");
    GameHash rifle = joaat("weapon_rifle_springfield");
    GameHash shotgun = joaat("weapon_shotgun_pump");
};

// Defines the known weapons' types in the world.
KnownWeapons define_known_weapons(World& world) {
    const KnownWeapons w;
    world.define_weapon(w.revolver, type_revolver);
    world.define_weapon(w.pistol, type_pistol);
    world.define_weapon(w.rifle, type_rifle);
    world.define_weapon(w.shotgun, type_shotgun);
    return w;
}

// The player fires a rifle through a heat-up (every fourth frame from frame 2
// to 60, then every 40th), an NPC fires a worn shotgun at frame 30, two NPCs
// are filtered out, one stands idle, and the heat smoke's dictionary never
// loads. With the parity INI every outcome and value is fixed by the
// settings, except the direction of the random ragdoll fall.
void parity(World& world) {
    const KnownWeapons w = define_known_weapons(world);
    world.temperature = 20.0f;
    world.set_dictionary("core", DictionaryLoad::loaded);
    world.set_dictionary("scr_generic", DictionaryLoad::never);
    world.set_dictionary("generic_textures", DictionaryLoad::loaded);

    Entity& player = world.ped(world.player_ped);
    player.position = {10.0f, 20.0f, 30.0f};
    const std::int32_t player_weapon = world.arm(world.player_ped, w.rifle);
    world.object(player_weapon).dirt = 0.6f;
    world.object(player_weapon).degradation = 0.55f;

    const std::int32_t gunner = world.add_armed_ped(w.shotgun, {15.0f, 22.0f, 30.0f});
    world.weapon_of(gunner).dirt = 0.9f;
    world.weapon_of(gunner).degradation = 0.9f;
    world.ped(gunner).attach_points[3] = 1;

    const std::int32_t bystander = world.add_armed_ped(w.pistol, {-5.0f, 3.0f, 30.0f});
    world.weapon_of(bystander).dirt = 0.1f;
    const std::int32_t corpse = world.add_armed_ped(w.revolver, {0.0f, 0.0f, 30.0f});
    world.ped(corpse).dead = true;
    const std::int32_t horse = world.add_ped({1.0f, 1.0f, 30.0f});
    world.ped(horse).human = false;

    world.on_frame = [gunner](World& wd, int frame) {
        wd.ped(wd.player_ped).shooting = (frame >= 2 && frame <= 60 && frame % 4 == 2) || frame % 40 == 0;
        wd.ped(wd.player_ped).in_water = frame >= 360;
        wd.ped(gunner).shooting = frame == 30;
    };
}

// An armed player and a few NPCs, nobody shooting.
void idle(World& world) {
    const KnownWeapons w = define_known_weapons(world);
    world.arm(world.player_ped, w.revolver);
    for (int i = 0; i < 4; ++i) world.add_armed_ped(i % 2 == 0 ? w.rifle : w.pistol);
}

// The player holds a clean rifle too worn to crack (its shots never fail)
// and tunes in the menu: F7 opens it
// (frame 10), Enter opens [Main], Right twice raises the cap, Backspace goes
// back, Down 13 times reaches Save, Enter saves, F7 closes; the player fires
// every 30th frame throughout.
void menu(World& world) {
    const KnownWeapons w = define_known_weapons(world);
    world.set_dictionary("generic_textures", DictionaryLoad::loaded);
    const std::int32_t rifle = world.arm(world.player_ped, w.rifle);
    world.object(rifle).dirt = 0.3f;
    world.object(rifle).degradation = 0.995f;
    constexpr int f7 = 0x76;
    constexpr int enter = 0x0D;
    constexpr int right = 0x27;
    constexpr int backspace = 0x08;
    constexpr int down = 0x28;
    int frame = 10;
    const auto press = [&world, &frame](int key) {
        world.presses.push_back({frame, 1, key, 0});
        frame += 2;
    };
    press(f7);
    press(enter);
    press(right);
    press(right);
    press(backspace);
    for (int i = 0; i < 13; ++i) press(down);
    press(enter);
    press(f7);
    world.on_frame = [](World& wd, int f) { wd.ped(wd.player_ped).shooting = f % 30 == 0; };
}

}  // namespace

bool build_scenario(World& world, std::string_view name) {
    if (name == "parity") {
        parity(world);
    } else if (name == "idle") {
        idle(world);
    } else if (name == "menu") {
        menu(world);
    } else {
        return false;
    }
    return true;
}

}  // namespace standin
