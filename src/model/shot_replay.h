#pragma once
// Shots replayed under the settings in force: each shot as it was played
// goes through decide_shot again, in its order, its weapon opening with what
// the replay left on it at the weapon's shot before where the game kept what
// the shot before wrote (or washed it in water), as played otherwise. A gun
// that explodes is gone: its later shots are not fired. A draw a shot lacks
// (a crack or a base wear only these settings make, firing dirt they turn
// on) is drawn from the shot, the same every time, from a generator of the
// replay's own. barrelburst-sim's `log --ini` replays a play log's rows with
// it, the settings menu the shot records' ring.
//
// A shot's weapon is its shooter's weapon hash within its log session; a
// logged explosion ends one. A replay allocates nothing: the caller gives it
// its storage, each span at least as long as the shots, the table at least
// four times as long and a power of two. The links of the shots to their
// weapons and shooters do not depend on the settings: a caller that replays
// the same shots under many settings links them once (link_shots) and
// decides them under each (decide_linked).

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>
#include <memory>

#include "model/shot_record.h"

enum class ReplayFate : std::uint8_t {
    replayed,
    not_evaluated,  // the shooter kind's scan is off
    not_fired,      // the gun had exploded in the replay
};

// One shot of a replay, as the sink is given it.
struct ReplayedShot {
    ReplayFate fate = ReplayFate::replayed;
    ShotRecord shot;             // replayed: the shot decided again
    bool drawn = false;          // a draw the shot lacks, drawn from it
    bool unknown_group = false;  // it asked the base list for a shooter whose group no shot gives
    bool as_played = false;      // it does not say what it wrote: its dirt and wear as played
};

// What a replay keeps of each shot, of each weapon and of each shooter; all
// zero by default, so that a caller's storage can sit in zeroed memory.
struct ReplayLink {
    bool first_of_weapon = false;
    bool linked = false;  // it follows the weapon's shot before; else it opens as played
    std::uint32_t weapon = 0;
    std::uint32_t shooter = 0;
    bool dirt_kept = false;  // it opened with what the shot before left, as the game keeps it
    bool degradation_kept = false;
    std::uint8_t washes = 0;      // or with that washed this many times (the player's)
    bool washed_at_shot = false;  // from what the shot before opened with: a wash in its own frame
};
struct ReplayWeapon {
    float opening_dirt = 0.0f;
    float dirt = 0.0f;
    float degradation = 0.0f;
    bool gone = false;
};
struct ReplayShooter {
    bool group_known = false;
    GameHash group = 0;  // its relationship group, from the first of its shots that asked the list
};
struct ReplayStorage {
    std::span<ReplayLink> links;
    std::span<ReplayWeapon> weapons;
    std::span<ReplayShooter> shooters;
    std::span<std::int32_t> table;
};

// The key of a log session: the FNV-1a hash of its text, each byte mixed in
// as eight.
std::uint64_t session_key(std::string_view session);

// The shots, for a replay: shots.size(), shots.shot(i) as played,
// shots.session(i) (its session's key) and shots.replayable(i) (it says
// what it wrote: dirt_written and degradation_written).
template <typename Shots>
concept ReplayShots = requires(const Shots& shots, std::size_t i) {
    { shots.size() } -> std::convertible_to<std::size_t>;
    { shots.shot(i) } -> std::convertible_to<const ShotRecord&>;
    { shots.session(i) } -> std::convertible_to<std::uint64_t>;
    { shots.replayable(i) } -> std::convertible_to<bool>;
};

// Any ReplayShots as the replay takes them.
struct ReplaySource {
    const void* shots;
    std::size_t size;
    const ShotRecord& (*shot)(const void*, std::size_t);
    std::uint64_t (*session)(const void*, std::size_t);
    bool (*replayable)(const void*, std::size_t);
};
template <ReplayShots Shots>
ReplaySource replay_source(const Shots& shots) {
    return {&shots, static_cast<std::size_t>(shots.size()),
            [](const void* s, std::size_t i) -> const ShotRecord& { return static_cast<const Shots*>(s)->shot(i); },
            [](const void* s, std::size_t i) -> std::uint64_t { return static_cast<const Shots*>(s)->session(i); },
            [](const void* s, std::size_t i) -> bool { return static_cast<const Shots*>(s)->replayable(i); }};
}

// How many weapons and shooters the shots have.
struct ReplayLinked {
    std::uint32_t weapons = 0;
    std::uint32_t shooters = 0;
};
// Links each shot to its weapon's shot before and to its shooter.
ReplayLinked link_shots(const ReplaySource& source, std::span<ReplayLink> links, std::span<ReplayShooter> shooters,
                        std::span<std::int32_t> table);

// Decides linked shots again in their order under the settings in force,
// handing each to sink(i, const ReplayedShot&); weapons holds one entry per
// weapon.
using ReplaySink = void (*)(void*, std::size_t, const ReplayedShot&);
void decide_linked(const ReplaySource& source, std::span<const ReplayLink> links,
                   std::span<const ReplayShooter> shooters, std::span<ReplayWeapon> weapons, ReplaySink sink,
                   void* sink_context);
template <typename Sink>
void decide_linked(const ReplaySource& source, std::span<const ReplayLink> links,
                   std::span<const ReplayShooter> shooters, std::span<ReplayWeapon> weapons, Sink&& sink) {
    using SinkType = std::remove_reference_t<Sink>;
    decide_linked(
        source, links, shooters, weapons,
        [](void* c, std::size_t i, const ReplayedShot& replayed) { (*static_cast<SinkType*>(c))(i, replayed); },
        const_cast<void*>(static_cast<const void*>(std::addressof(sink))));
}

// Both: the shots linked and decided again.
template <ReplayShots Shots, typename Sink>
void replay_shots(const Shots& shots, ReplayStorage storage, Sink&& sink) {
    const ReplaySource source = replay_source(shots);
    link_shots(source, storage.links, storage.shooters, storage.table);
    decide_linked(source, storage.links, storage.shooters, storage.weapons, sink);
}
