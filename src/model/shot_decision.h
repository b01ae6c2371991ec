#pragma once
// The decisions of one shot, in their order, in one place: the effective
// degradation with the NPC base wear, the firing dirt, the chances at the
// barrel's heat and cold, the roll and what it selects, and what a crack or
// an explosion leaves on the weapon.
//
// The game's answers and the draws come from the caller, a ShotGame: the
// plugin binds them to the natives and ModRng (shot_eval.cpp), the tools'
// replay to the rows of a play log. Whatever a shot asks of the game, it
// asks in the order decide_shot() shows.

#include <concepts>
#include <cstddef>
#include <optional>
#include <vector>

#include "common/numeric.h"
#include "common/rng.h"
#include "common/types.h"
#include "config/settings.h"
#include "model/shot_record.h"

// The barrel's heat and cold as a shot's chances use them.
struct BarrelFigures {
    float heat = 0.0f;
    float cold = 0.0f;
};

// What a shot asks of its caller, in this order: the game's degradation of
// the weapon; for an NPC shot, whether the base-degradation list is on
// (base_degradation_on: [NPC] enable_explosion exactly 1) and, where it asks
// the list, the shooter's relationship group (none when it is not known),
// the game's hash of the list's names up to the first that matches and the
// draw in that entry's range; then the shooter's own part before the firing
// dirt (the player's recoil and barrel heat); whether firing dirties the
// weapon (fires_dirt below) and, where it does, its draw, the class's dirt
// modifier and the write of the fired dirt on the weapon; the class's
// chance tuning, the barrel's figures and the roll. The switches are the
// settings' as the caller reads them: the plugin reads them at each shot.
template <typename Game>
concept ShotGame = requires(Game& game, ShotRecord& shot, const BaseDegradationEntry& entry, const char* name,
                            float value) {
    { game.weapon_degradation() } -> std::same_as<float>;
    { game.base_degradation_on() } -> std::same_as<bool>;
    { game.relationship_group() } -> std::same_as<std::optional<GameHash>>;
    { game.hash_of(name) } -> std::same_as<GameHash>;
    { game.base_degradation_draw(entry) } -> std::same_as<float>;
    game.before_firing_dirt(shot);
    { game.fires_dirt() } -> std::same_as<bool>;
    { game.firing_dirt_draw() } -> std::same_as<float>;
    { game.dirt_modifier() } -> std::same_as<float>;
    game.write_dirt(value);
    { game.chance_tuning() } -> std::same_as<ClassChanceTuning>;
    { game.barrel_figures() } -> std::same_as<BarrelFigures>;
    { game.roll() } -> std::same_as<float>;
};

// A crack lifts a value to at least its wear plus the class's minimum, never
// above this; an explosion leaves both at 1.
inline constexpr float crack_wear_cap = 0.99f;
inline constexpr float explosion_wear = 1.0f;

// The chances of one shot with the weapon's opening dirt and its effective
// degradation, each term capped at maximum_chance before the class's
// modifier. Reads no table and no global.
ShotChances shot_chances(const ClassChanceTuning& tuning, float dirt, float effective_degradation,
                         BarrelFigures figures, float maximum_chance);
// What the roll selects: the crack is decided first.
ShotOutcome shot_outcome(const ShotChances& chances, float effective_degradation, float roll);

// Whether NPC shots may ask the base-degradation list: [NPC]
// enable_explosion exactly 1. A shot asks it when its weapon shows no
// degradation.
bool base_degradation_on();
// The first [Base_Degradation] entry whose name hashes to key, walked in the
// file's order with hash_of giving each name's hash; -1 when none does.
template <typename HashOf>
int base_degradation_entry(GameHash key, HashOf hash_of) {
    const std::vector<BaseDegradationEntry>& list = settings.base_degradation;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (hash_of(list[i].weapon_name.c_str()) == key) return static_cast<int>(i);
    }
    return -1;
}

// Whether firing dirties the shooter's weapon ([Player] or [NPC]
// firing_increases_dirt exactly 1).
bool fires_dirt(bool is_npc);
// The increment of one shot's firing dirt, drawn from ModRng in [0.002, 0.020).
float draw_firing_dirt(ModRng& rng = mod_rng);
// The dirt firing leaves: the class's dirt_modifier times the whole sum of
// the opening dirt and the increment, unclamped.
float fired_dirt(float dirt, float increment, float dirt_modifier);
// What a crack with this wear leaves of a dirt or degradation value: lifted
// to wear + the class's minimum when that reaches it (at most 0.99), kept as
// it was passed in otherwise.
float crack_lift(float value, float wear, float minimum);

// The effective degradation: the game's, clamped to [0, 1], or an NPC's
// draw from the base-degradation list.
template <ShotGame Game>
void decide_degradation(ShotRecord& shot, Game& game) {
    shot.game_degradation = game.weapon_degradation();
    shot.effective_degradation = clamp(shot.game_degradation, 0.0f, 1.0f);
    if (!shot.is_npc || !game.base_degradation_on() || shot.effective_degradation != 0.0f) return;
    const std::optional<GameHash> group = game.relationship_group();
    if (!group) return;
    shot.base_degradation_asked = true;
    shot.base_degradation_key = *group;
    const int entry = base_degradation_entry(*group, [&game](const char* name) { return game.hash_of(name); });
    if (entry < 0) return;
    shot.effective_degradation =
        game.base_degradation_draw(settings.base_degradation[static_cast<std::size_t>(entry)]);
    shot.base_degradation = true;
    shot.base_degradation_entry = entry;
}

// The firing dirt, written on the weapon; the shot's chances still use the
// opening dirt.
template <ShotGame Game>
void decide_firing_dirt(ShotRecord& shot, Game& game) {
    if (!game.fires_dirt()) return;
    shot.firing_dirt = game.firing_dirt_draw();
    shot.firing_dirt_drawn = true;
    shot.dirt_written = fired_dirt(shot.dirt, shot.firing_dirt, game.dirt_modifier());
    shot.dirt_set = true;
    game.write_dirt(shot.dirt_written);
}

// The chances with the class's tuning at the barrel's figures, and what the
// roll selects.
void decide_outcome(ShotRecord& shot, const ClassChanceTuning& tuning, BarrelFigures figures, float roll);

// Everything up to the outcome, in the plugin's order. The shot holds the
// shooter (is_npc), the class and the opening dirt.
template <ShotGame Game>
void decide_shot(ShotRecord& shot, Game& game) {
    decide_degradation(shot, game);
    game.before_firing_dirt(shot);
    decide_firing_dirt(shot, game);
    const ClassChanceTuning tuning = game.chance_tuning();
    const BarrelFigures figures = game.barrel_figures();
    const float roll = game.roll();
    decide_outcome(shot, tuning, figures, roll);
}

// What the outcome writes on the weapon: a crack with this wear lifts its
// degradation, then its dirt, from the shot's own figures; an explosion
// leaves both at 1.
void decide_crack_wear(ShotRecord& shot, float wear);
void decide_explosion_wear(ShotRecord& shot);
