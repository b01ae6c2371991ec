#include "menu/menu_shots.h"

#include <algorithm>
#include <optional>

#include "config/settings_text.h"
#include "model/outcome_probability.h"

namespace {

// The ring's last records, oldest first, as a replay reads them: each one
// says what it wrote.
struct RingWindow {
    std::uint64_t first = 0;
    std::size_t count = 0;

    std::size_t size() const { return count; }
    const ShotRecord& shot(std::size_t i) const { return shot_record_at(first + i); }
    std::uint64_t session(std::size_t i) const { return shot(i).session_key; }
    bool replayable(std::size_t) const { return true; }
};

}  // namespace

void count_menu_shots(MenuShots& shots) {
    shots.tallies = {};
    shots.all = {};
    const std::uint64_t written = shot_records.written;
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(written, shot_record_capacity));
    const RingWindow window{written - count, count};
    for (std::size_t i = 0; i < count; ++i) {
        const ShotRecord& shot = window.shot(i);
        const std::optional<TunedClass> c = tuned_class_of(shot.weapon_class);
        if (!c) continue;
        for (ShotTally* tally : {&shots.tallies[*c], &shots.all}) {
            ++tally->shots;
            ++(shot.is_npc ? tally->npc : tally->player);
            if (shot.outcome == ShotOutcome::crack) ++tally->cracks;
            if (shot.outcome == ShotOutcome::explosion) ++tally->explosions;
        }
    }
    const ReplayStorage storage{shots.links, shots.weapons, shots.shooters, shots.table};
    replay_shots(window, storage, [&shots](std::size_t, const ReplayedShot& replayed) {
        if (replayed.fate != ReplayFate::replayed) return;
        const ShotRecord& shot = replayed.shot;
        const std::optional<TunedClass> c = tuned_class_of(shot.weapon_class);
        if (!c) return;
        const OutcomeProbabilities p = outcome_probabilities(shot.chances, shot.effective_degradation);
        for (ShotTally* tally : {&shots.tallies[*c], &shots.all}) {
            if (shot.outcome == ShotOutcome::crack) ++tally->edited_cracks;
            if (shot.outcome == ShotOutcome::explosion) ++tally->edited_explosions;
            tally->expected_cracks += p.crack;
            tally->expected_explosions += p.explosion;
        }
    });
    shots.window = static_cast<int>(count);
    shots.written_seen = written;
    shots.generation_seen = settings_text.generation;
}
