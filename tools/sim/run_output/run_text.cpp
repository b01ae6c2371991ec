#include "run_output/run_text.h"

#include <algorithm>
#include <string>

#include "shared/text_format.h"
#include "shared/platform.h"
#include "config/settings.h"
#include "world/run_summary.h"

namespace sim {

namespace {

double d(float value) { return static_cast<double>(value); }

std::string bar(float value, int width) {
    const int filled = static_cast<int>(std::clamp(value, 0.0f, 1.0f) * static_cast<float>(width) + 0.5f);
    return std::string(static_cast<std::size_t>(filled), '#') + std::string(static_cast<std::size_t>(width - filled), '.');
}

void print_curve(std::ostream& out, const RunResult& result) {
    const std::vector<FrameRecord>& frames = result.frame_records;
    if (frames.empty()) return;
    out << "\nBarrel heat and cold (the player's barrel; NPC shots use it too):\n";
    out << "   frame   temp    heat  cold   heat 0..1             cold 0..1             player's dirt\n";
    constexpr std::size_t points = 12;
    const std::size_t n = frames.size();
    for (std::size_t i = 0; i < points && i < n; ++i) {
        const std::size_t index = n <= points ? i : (i * (n - 1)) / (points - 1);
        const FrameRecord& f = frames[index];
        out << format("  %6d  %5.1f   %5.3f %5.3f  %s  %s  %5.3f%s\n", f.frame, d(f.temperature), d(f.heat),
                      d(f.cold), bar(f.heat, 20).c_str(), bar(f.cold, 20).c_str(), d(f.player_dirt),
                      f.in_water ? " in water" : "");
    }
    const auto hottest = std::max_element(frames.begin(), frames.end(),
                                          [](const FrameRecord& a, const FrameRecord& b) { return a.heat < b.heat; });
    const auto coldest = std::max_element(frames.begin(), frames.end(),
                                          [](const FrameRecord& a, const FrameRecord& b) { return a.cold < b.cold; });
    const auto smoke = std::count_if(frames.begin(), frames.end(), [](const FrameRecord& f) { return f.heat_smoke; });
    out << format("  peak heat %.3f (frame %d), peak cold %.3f (frame %d); heat smoke on in %ld of %zu frames\n",
                  d(hottest->heat), hottest->frame, d(coldest->cold), coldest->frame, static_cast<long>(smoke), n);
}

void print_summary_row(std::ostream& out, const char* kind, WeaponClass weapon_class, const GroupSummary& g) {
    const double per = g.shots > 0 ? 1000.0 / g.shots : 0.0;
    const std::string failed = format("%d of %d", g.failed_weapons, g.weapons);
    const std::string first = g.failed_weapons > 0 ? format("%.1f", g.shots_to_first_failure) : "-";
    out << format("  %-7s  %-9s %6d  %6d  %10d  %11.1f  %10.1f  %14s  %20s\n", kind, weapon_class, g.shots, g.cracks,
                  g.explosions, g.cracks * per, g.explosions * per, failed.c_str(), first.c_str());
}

// The table per shooter kind and weapon class with a row of all shots, which it returns.
GroupSummary print_summary_table(std::ostream& out, const RunResult& result) {
    const std::vector<GroupSummary> groups = summarise(result);
    out << "\nSummary by shooter kind and weapon class:\n";
    out << "  shooter  class      shots  cracks  explosions  cracks/1000  expl./1000  failed weapons  "
           "shots to 1st failure\n";
    GroupSummary all;
    double first_failure_sum = 0.0;
    for (const GroupSummary& g : groups) {
        print_summary_row(out, shooter_kind_of(g.is_npc), g.weapon_class, g);
        all.shots += g.shots;
        all.cracks += g.cracks;
        all.explosions += g.explosions;
        all.unfinished += g.unfinished;
        all.weapons += g.weapons;
        all.failed_weapons += g.failed_weapons;
        first_failure_sum += g.shots_to_first_failure * g.failed_weapons;
    }
    if (groups.empty()) {
        out << "  (no shots: nobody fired a weapon the plugin evaluates)\n";
    } else {
        if (all.failed_weapons > 0) all.shots_to_first_failure = first_failure_sum / all.failed_weapons;
        print_summary_row(out, "all", "", all);
    }
    if (all.unfinished > 0) {
        out << format("  %d outcome(s) still waited for their effects when the run ended.\n", all.unfinished);
    }
    return all;
}

// What the plugin did in the world: the failures, the blasts, the effects,
// the camera, the banners, the INI read again and the host's traffic.
void print_world(std::ostream& out, const RunResult& result, const GroupSummary& all) {
    out << "\nWhat the plugin did in the world:\n";
    int player_cracks = 0;
    int player_explosions = 0;
    int player_shots = 0;
    for (const ShotRecord& s : result.shots) {
        if (s.is_npc) continue;
        ++player_shots;
        if (s.outcome == ShotOutcome::crack) ++player_cracks;
        if (s.outcome == ShotOutcome::explosion) ++player_explosions;
    }
    out << format("  failures: %d crack(s) and %d explosion(s) in %d shots; the player's: %d crack(s), %d "
                  "explosion(s) in %d shots\n",
                  all.cracks, all.explosions, all.shots, player_cracks, player_explosions, player_shots);
    out << format("  blasts and falls: %zu game explosion(s) at a weapon, %zu shooter(s) thrown down, %zu weapon(s) "
                  "taken away\n",
                  result.game_explosions, result.falls, result.weapon_removals);
    out << format("  particle effects: %zu started (%zu looped heat smoke, %zu removed); %zu dictionary request(s)",
                  result.effects, result.looped_effects, result.removed_effects, result.dictionary_requests);
    if (result.frames_waiting_for_effects > 0) {
        out << format("; a dictionary was not loaded when asked in %d frame(s), and the script stood still there",
                      result.frames_waiting_for_effects);
    }
    out << "\n";
    if (result.pitch_sets > 0) {
        out << format("  camera recoil: the kick moved the camera in %d frame(s), %.2f degrees up in all (highest "
                      "pitch %.2f)\n",
                      result.kick_frames, d(result.camera_climb), d(result.highest_pitch));
    } else if (player_shots == 0) {
        out << "  camera recoil: none, the player did not fire\n";
    } else if (!settings.enable_recoil) {
        out << "  camera recoil: none, enable_recoil is off\n";
    } else {
        out << "  camera recoil: none (a kick of 0, or a revolver fired without free aiming: its kick plays only "
               "while free aiming)\n";
    }
    out << format("  banners: %d notification(s) for the player\n", result.notifications);
    if (result.ini_changes > 0 || result.settings_reloads > 0) {
        out << format("  Barrelburst.ini: changed %d time(s) in play, read again by the plugin %d time(s)\n",
                      result.ini_changes, result.settings_reloads);
    }
    out << format("  host traffic: %llu natives, %llu script waits\n", static_cast<unsigned long long>(result.natives),
                  static_cast<unsigned long long>(result.waits));
}

void print_errors(std::ostream& out, const RunResult& result) {
    for (const auto& [title, errors] : {std::pair{"Host contract errors", &result.host_errors},
                                        {"The plugin's records and the world disagree", &result.observer_errors}}) {
        if (errors->empty()) continue;
        out << "\n" << title << " (" << errors->size() << "):\n";
        for (const std::string& e : *errors) out << "  " << e << "\n";
    }
}

}  // namespace

void print_run_header(std::ostream& out, const Scenario& scenario, const std::optional<std::filesystem::path>& ini,
                      int frames, std::uint32_t seed) {
    out << "barrelburst-sim run: scenario \"" << scenario.name << "\" (" << utf8_of(scenario.file) << ")\n";
    if (!scenario.description.empty()) out << "  " << scenario.description << "\n";
    out << "  INI: " << (ini ? utf8_of(*ini) : std::string("none (every setting at its default)")) << "\n";
    out << format("  %d frames (%.1f s of play at 60 frames a second), seed %u\n", frames,
                  static_cast<double>(frames) / 60.0, seed);
}

void print_failure_columns(std::ostream& out) {
    out << "\nFailures as they happen (degradation * = drawn from [Base_Degradation]):\n";
    out << "  frame  shooter              class      dirt  degr.  heat  cold   crack    expl.    roll    outcome\n";
}

void print_failure_line(std::ostream& out, const ShotRecord& shot, const RunResult& result) {
    const ShooterResult& shooter = result.shooters[shot.shooter];
    const std::string who = shooter.name + " (" + shooter_kind_of(shot.is_npc) + ")";
    std::string outcome = shot_outcome_name(shot.outcome);
    if (!shot.finished) outcome = "unfinished: still loading its effects at the end";
    if (shot.finished && shot.outcome_frame > shot.frame) {
        outcome += format(" (played %d frames later, effects loading)", shot.outcome_frame - shot.frame);
    }
    out << format("  %5d  %-20s %-9s %5.3f %5.3f%s %5.3f %5.3f  %7.5f  %7.5f  %7.5f  %s\n", shot.frame, who.c_str(),
                  shot.weapon_class, d(shot.dirt), d(shot.effective_degradation), shot.base_degradation ? "*" : " ",
                  d(shot.heat), d(shot.cold), d(shot.chances.crack_chance), d(shot.chances.explosion_chance),
                  d(shot.roll), outcome.c_str());
}

void print_summary(std::ostream& out, const RunResult& result) {
    const GroupSummary all = print_summary_table(out, result);
    print_curve(out, result);
    print_world(out, result, all);
    print_errors(out, result);
}

}  // namespace sim
