#include "model/shot_replay.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "common/joaat.h"
#include "common/numeric.h"
#include "common/rng.h"
#include "config/settings.h"
#include "effects/crack.h"
#include "model/barrel.h"
#include "model/ped_scan.h"
#include "model/shot_decision.h"

namespace {

constexpr std::uint64_t fnv_offset = 1469598103934665603ull;

// FNV-1a over the value's eight bytes.
std::uint64_t mixed(std::uint64_t hash, std::uint64_t value) {
    for (int i = 0; i < 8; ++i, value >>= 8) hash = (hash ^ (value & 0xFF)) * 1099511628211ull;
    return hash;
}

bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::uint32_t shooter_of(const ShotRecord& shot) { return static_cast<std::uint32_t>(shot.ped); }

// The table's slot of the key that holds(at) tells apart: the slot that
// points at one of its shots, or the empty one it takes (holding -1).
template <typename Holds>
std::int32_t& slot_of(std::span<std::int32_t> table, std::uint64_t hash, Holds holds) {
    const std::size_t mask = table.size() - 1;
    std::size_t slot = static_cast<std::size_t>(hash ^ (hash >> 29)) & mask;
    while (table[slot] >= 0 && !holds(static_cast<std::size_t>(table[slot]))) slot = (slot + 1) & mask;
    return table[slot];
}

// What a shot left on its weapon as the game holds it: what its natives
// wrote last, else what the weapon opened with.
float left_dirt(const ShotRecord& shot) { return clamp(shot.dirt_set ? shot.dirt_written : shot.dirt, 0.0f, 1.0f); }
float left_degradation(const ShotRecord& shot) {
    return clamp(shot.degradation_set ? shot.degradation_written : shot.game_degradation, 0.0f, 1.0f);
}

// How a shot's weapon opened against what its shot before wrote on it; for
// the player, washes in water between the two: the dirt it opened with is
// what some washes make of what the shot before left, or, with a wash in
// that shot's own frame, of what it opened with.
void link_to(ReplayLink& link, const ShotRecord& shot, const ShotRecord& before) {
    link.dirt_kept = same_bits(left_dirt(before), shot.dirt);
    link.degradation_kept = same_bits(left_degradation(before), shot.game_degradation);
    if (link.dirt_kept || shot.is_npc) return;
    constexpr int most = 255;
    for (const bool at_shot : {false, true}) {
        float dirt = at_shot ? before.dirt : left_dirt(before);
        for (int washes = 1; washes <= most; ++washes) {
            const float washed = washed_dirt(dirt);
            if (same_bits(washed, dirt)) break;
            dirt = washed;
            if (same_bits(dirt, shot.dirt)) {
                link.washes = static_cast<std::uint8_t>(washes);
                link.washed_at_shot = at_shot;
                return;
            }
        }
    }
}

// The settings' decisions that are the same for every shot.
struct Tuning {
    bool scan_on[2];
    bool fires_dirt[2];
    bool base_degradation_on;
    PerClass<ClassChanceTuning> chances;
    PerClass<float> dirt_modifier;
};

// A played shot decided again: the game's answers from the shot and from
// what the replay left on the weapon, the draws from the shot, or drawn from
// it where the shot lacks them.
struct ShotAsPlayed {
    const ShotRecord& played;
    std::uint64_t session;
    float opened_degradation;
    const Tuning& tuning;
    TunedClass weapon_class;
    BarrelFigures figures;
    std::optional<GameHash> group;
    bool drawn = false;
    bool unknown_group = false;

    // A draw the shot lacks, from a generator seeded by the shot and the
    // purpose: the same shot gives the same value every time.
    template <typename Draw>
    float drawn_for(std::uint32_t purpose, Draw draw) {
        drawn = true;
        std::uint32_t roll = 0;
        std::memcpy(&roll, &played.roll, sizeof roll);
        std::uint64_t h = session;
        for (const std::uint64_t v : {std::uint64_t{played.pass}, std::uint64_t{shooter_of(played)},
                                      std::uint64_t{played.weapon_hash}, std::uint64_t{roll}, std::uint64_t{purpose}}) {
            h = mixed(h, v);
        }
        ModRng own(static_cast<std::uint32_t>(h ^ (h >> 32)));
        return draw(own);
    }

    float weapon_degradation() { return opened_degradation; }
    bool base_degradation_on() { return tuning.base_degradation_on; }
    std::optional<GameHash> relationship_group() {
        unknown_group = !group;
        return group;
    }
    GameHash hash_of(const char* name) { return joaat(name); }
    float base_degradation_draw(const BaseDegradationEntry& entry) {
        const float logged = played.effective_degradation;
        if (played.base_degradation && logged >= std::min(entry.low, entry.high) &&
            logged <= std::max(entry.low, entry.high)) {
            return logged;
        }
        return drawn_for(1, [&entry](ModRng& own) { return uniform(entry.low, entry.high, own); });
    }
    void before_firing_dirt(ShotRecord&) {}
    bool fires_dirt() { return tuning.fires_dirt[played.is_npc]; }
    float firing_dirt_draw() {
        if (played.firing_dirt_drawn) return played.firing_dirt;
        return drawn_for(2, [](ModRng& own) { return draw_firing_dirt(own); });
    }
    float dirt_modifier() { return tuning.dirt_modifier[weapon_class]; }
    void write_dirt(float) {}
    ClassChanceTuning chance_tuning() { return tuning.chances[weapon_class]; }
    BarrelFigures barrel_figures() { return figures; }
    float roll() { return played.roll; }
    float crack_wear() {
        if (played.crack_wear > 0.0f && played.outcome == ShotOutcome::crack) return played.crack_wear;
        return drawn_for(3, [](ModRng& own) { return draw_crack_wear(own); });
    }
};
static_assert(ShotGame<ShotAsPlayed>);

ReplayedShot decide_again(const ShotRecord& played, std::uint64_t session, bool replayable, const ReplayLink& link,
                          ReplayWeapon& weapon, const std::optional<GameHash>& group, const Tuning& tuning) {
    ReplayedShot out;
    if (!tuning.scan_on[played.is_npc]) {
        out.fate = ReplayFate::not_evaluated;
        return out;
    }
    if (weapon.gone) {
        out.fate = ReplayFate::not_fired;
        return out;
    }
    const TunedClass c = tuned_class_of(played.weapon_class).value_or(TunedClass::pistol);
    ShotRecord& record = out.shot;
    record.pass = played.pass;
    record.ped = played.ped;
    record.is_npc = played.is_npc;
    record.weapon_class = played.weapon_class;
    record.weapon_hash = played.weapon_hash;
    record.weapon_object = played.weapon_object;
    record.temperature = played.temperature;
    record.kick = played.kick;
    record.session_key = played.session_key;
    // The barrel as played; without the player's scan it stays at its start.
    const BarrelFigures figures =
        tuning.scan_on[0] ? BarrelFigures{played.heat, played.cold} : BarrelFigures{};
    // The opening reading: what the replay left on the weapon where the game
    // kept what the shot before wrote, washed again where the game washed
    // it, else as played.
    float dirt = played.dirt;
    float degradation = played.game_degradation;
    if (link.linked) {
        if (link.dirt_kept) {
            dirt = weapon.dirt;
        } else if (link.washes > 0) {
            dirt = link.washed_at_shot ? weapon.opening_dirt : weapon.dirt;
            for (int i = 0; i < link.washes; ++i) dirt = washed_dirt(dirt);
        }
        if (link.degradation_kept) degradation = weapon.degradation;
    }
    record.dirt = dirt;
    if (!replayable) {
        out.as_played = true;
        record.game_degradation = played.game_degradation;
        record.effective_degradation = played.effective_degradation;
        record.base_degradation = played.base_degradation;
        decide_outcome(record, tuning.chances[c], figures, played.roll);
    } else {
        ShotAsPlayed game{played, session, degradation, tuning, c, figures, group};
        decide_shot(record, game);
        if (record.outcome == ShotOutcome::crack) decide_crack_wear(record, game.crack_wear());
        if (record.outcome == ShotOutcome::explosion) decide_explosion_wear(record);
        out.drawn = game.drawn;
        out.unknown_group = game.unknown_group;
    }
    // What the game makes of what the shot wrote.
    weapon.opening_dirt = record.dirt;
    weapon.dirt = left_dirt(record);
    weapon.degradation = left_degradation(record);
    weapon.gone = record.outcome == ShotOutcome::explosion;
    return out;
}

}  // namespace

std::uint64_t session_key(std::string_view session) {
    std::uint64_t h = fnv_offset;
    for (const char c : session) h = mixed(h, static_cast<unsigned char>(c));
    return h;
}

ReplayLinked link_shots(const ReplaySource& source, std::span<ReplayLink> links, std::span<ReplayShooter> shooters,
                        std::span<std::int32_t> table) {
    const auto shot = [&source](std::size_t i) -> const ShotRecord& { return source.shot(source.shots, i); };
    const auto session = [&source](std::size_t i) { return source.session(source.shots, i); };
    const auto replayable = [&source](std::size_t i) { return source.replayable(source.shots, i); };
    std::fill(table.begin(), table.end(), -1);
    const std::span<std::int32_t> weapon_table = table.first(table.size() / 2);
    const std::span<std::int32_t> shooter_table = table.last(table.size() / 2);

    // The weapons, linked shot to shot (a logged explosion ends one: the
    // shooter's next shot with that hash is another gun's), and the
    // shooters with their groups. A weapon's slot points at its latest shot,
    // a shooter's at its first.
    ReplayLinked linked;
    for (std::size_t i = 0; i < source.size; ++i) {
        const auto at = static_cast<std::int32_t>(i);
        const ShotRecord& played = shot(i);
        const std::uint64_t key = session(i);
        ReplayLink& link = links[i];
        link = ReplayLink{};
        const auto same_weapon = [&](std::size_t j) {
            return shot(j).ped == played.ped && shot(j).weapon_hash == played.weapon_hash && session(j) == key;
        };
        std::int32_t& weapon =
            slot_of(weapon_table, mixed(mixed(key, shooter_of(played)), played.weapon_hash), same_weapon);
        const std::int32_t latest = weapon;
        weapon = at;
        if (latest < 0 || shot(static_cast<std::size_t>(latest)).outcome == ShotOutcome::explosion) {
            link.weapon = linked.weapons++;
            link.first_of_weapon = true;
        } else {
            link.weapon = links[static_cast<std::size_t>(latest)].weapon;
            if (replayable(i) && replayable(static_cast<std::size_t>(latest))) {
                link.linked = true;
                link_to(link, played, shot(static_cast<std::size_t>(latest)));
            }
        }
        std::int32_t& first = slot_of(shooter_table, mixed(key, shooter_of(played)), [&](std::size_t j) {
            return shot(j).ped == played.ped && session(j) == key;
        });
        if (first < 0) {
            first = at;
            link.shooter = linked.shooters++;
            shooters[link.shooter] = ReplayShooter{};
        } else {
            link.shooter = links[static_cast<std::size_t>(first)].shooter;
        }
        ReplayShooter& shooter = shooters[link.shooter];
        if (played.base_degradation_asked && !shooter.group_known) {
            shooter.group_known = true;
            shooter.group = played.base_degradation_key;
        }
    }
    return linked;
}

void decide_linked(const ReplaySource& source, std::span<const ReplayLink> links,
                   std::span<const ReplayShooter> shooters, std::span<ReplayWeapon> weapons, ReplaySink sink,
                   void* sink_context) {
    Tuning tuning{{player_scan_on(), npc_scan_on()}, {fires_dirt(false), fires_dirt(true)}, base_degradation_on(),
                  {}, {}};
    for (const TunedClass c : tuned_classes) {
        tuning.chances[c] = class_chance_tuning(class_name(c));
        tuning.dirt_modifier[c] = read_table(class_tuning.dirt_modifier, class_name(c));
    }
    for (std::size_t i = 0; i < source.size; ++i) {
        const ReplayLink& link = links[i];
        const ReplayShooter& shooter = shooters[link.shooter];
        const std::optional<GameHash> group =
            shooter.group_known ? std::optional<GameHash>(shooter.group) : std::nullopt;
        ReplayWeapon& weapon = weapons[link.weapon];
        if (link.first_of_weapon) weapon = ReplayWeapon{};
        sink(sink_context, i,
             decide_again(source.shot(source.shots, i), source.session(source.shots, i),
                          source.replayable(source.shots, i), link, weapon, group, tuning));
    }
}
