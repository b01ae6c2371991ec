#include "log/log_parts.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "shared/text_format.h"

namespace sim {

namespace {

// The row as counts: one shot, its failure, its expected failures.
FailureCounts counts_of(const LogRow& row) {
    const OutcomeProbabilities expected = expected_outcomes(row);
    return {1, row.outcome == ShotOutcome::crack ? 1 : 0, row.outcome == ShotOutcome::explosion ? 1 : 0,
            expected.crack, expected.explosion};
}

void add_to_curve(FailureCurve& curve, std::uint32_t pass, const FailureCounts& shot) {
    while (pass / curve.passes_per_bucket >= curve_buckets) {
        // Twice the passes per bucket: pairs of buckets become one.
        for (std::size_t i = 0; i < curve.buckets.size(); ++i) {
            const FailureCounts from = curve.buckets[i];
            if (i % 2 == 0) curve.buckets[i / 2] = FailureCounts{};
            curve.buckets[i / 2].add(from);
        }
        curve.buckets.resize((curve.buckets.size() + 1) / 2);
        curve.passes_per_bucket *= 2;
    }
    const std::size_t index = pass / curve.passes_per_bucket;
    if (curve.buckets.size() <= index) curve.buckets.resize(index + 1);
    curve.buckets[index].add(shot);
}

void add_shooter(LogSession& s, SessionState& state, LogGroupFigures& group, const LogRow& row) {
    const std::uint64_t key = (static_cast<std::uint64_t>(row.shooter) << 32) | (row.weapon & 0xFFFFFFFFu);
    const auto [weapon, first] = state.weapons.try_emplace(key);
    if (first && row.is_npc) {
        ++s.npc_weapons.count;
        state.npc_dirt.push_back(row.dirt);
        state.npc_degradation.push_back(row.effective_degradation);
    }
    const std::int64_t second = static_cast<std::int64_t>(row.pass / 60);
    if (weapon->second.last_second != second) ++group.firing_seconds;
    weapon->second.last_second = second;

    const auto [shooter, added] = state.last_pass_of_shooter.try_emplace(row.shooter, row.pass);
    if (!added && row.pass == shooter->second + 1) ++group.next_pass_shots;
    shooter->second = row.pass;
}

void add_player(LogSession& s, const LogRow& row) {
    ++s.player_shots;
    // A NaN is no peak.
    const auto higher = [](const std::optional<LogPeak>& peak, float value) {
        return !std::isnan(value) && (!peak || value > peak->value);
    };
    if (higher(s.player_peak_heat, row.heat)) s.player_peak_heat = LogPeak{row.heat, row.pass};
    if (higher(s.player_peak_cold, row.cold)) s.player_peak_cold = LogPeak{row.cold, row.pass};
}

}  // namespace

void add_row(LogSession& s, SessionState& state, const LogRow& row) {
    if (s.shots == 0 || row.pass < s.first_pass) s.first_pass = row.pass;
    if (s.shots == 0 || row.pass > s.last_pass) s.last_pass = row.pass;
    const FailureCounts shot = counts_of(row);
    s.add(shot);
    LogGroupFigures& g = s.groups[log_group_of(row.is_npc, row.weapon_class)];
    g.add(shot);
    add_to_curve(s.curve, row.pass, shot);
    add_shooter(s, state, g, row);
    if (!row.is_npc) add_player(s, row);
}

ValueSpread spread_of(std::vector<float>& values) {
    ValueSpread spread;
    std::vector<double> inside;
    for (const float v : values) {
        if (v >= 0.0f && v <= 1.0f) {
            inside.push_back(static_cast<double>(v));
            ++spread.bins[std::min<std::size_t>(static_cast<std::size_t>(v * 10.0f), 9)];
        } else {
            ++spread.bins[spread_bins - 1];
        }
    }
    std::sort(inside.begin(), inside.end());
    spread.count = inside.size();
    if (inside.empty()) return spread;
    const auto at = [&inside](double p) {
        const double position = p * static_cast<double>(inside.size() - 1);
        const std::size_t low = static_cast<std::size_t>(position);
        const std::size_t high = std::min(low + 1, inside.size() - 1);
        return inside[low] + (inside[high] - inside[low]) * (position - static_cast<double>(low));
    };
    spread = ValueSpread{spread.count, inside.front(), at(0.25), at(0.5), at(0.75), inside.back(), spread.bins};
    values = {};
    return spread;
}

void flag_repeated_passes(const LogSession& s, std::vector<Finding>& findings) {
    for (std::size_t g = 0; g < log_group_count; ++g) {
        const LogGroupFigures& figures = s.groups[g];
        if (figures.shots < next_pass_min_shots || !(figures.next_pass_share() > next_pass_warning_share)) continue;
        const std::string where = s.session.empty() ? std::string() : "session " + s.session + ": ";
        findings.push_back(
            {0, "", "", Severity::warning,
             where + log_group_kind(g) + " " + log_group_class(g) + ": " + std::to_string(figures.next_pass_shots) +
                 " of " + std::to_string(figures.shots) + " shots (" +
                 format("%.0f %%", figures.next_pass_share() * 100.0) + ") were evaluated in the pass right after the same shooter's previous shot. No gun fires twice "
                 "within 1/60 s: the shooting flag stays true for several passes per shot, each shot is evaluated "
                 "several times, and every failure chance counts that many times",
             ""});
    }
}

OutcomeProbabilities expected_outcomes(const LogRow& row) {
    ShotChances chances;
    chances.crack_chance = row.crack_chance;
    chances.explosion_chance = row.explosion_chance;
    chances.crack_degradation_limit = row.crack_degradation_limit;
    return outcome_probabilities(chances, row.effective_degradation);
}

void FailureCounts::add(const FailureCounts& other) {
    shots += other.shots;
    cracks += other.cracks;
    explosions += other.explosions;
    expected_cracks += other.expected_cracks;
    expected_explosions += other.expected_explosions;
}

double LogGroupFigures::shots_per_second_of_firing() const {
    return firing_seconds > 0 ? static_cast<double>(shots) / static_cast<double>(firing_seconds) : 0.0;
}

double LogGroupFigures::next_pass_share() const {
    return shots > 0 ? static_cast<double>(next_pass_shots) / static_cast<double>(shots) : 0.0;
}

}  // namespace sim
