#include "log/log_recompute.h"

#include "shared/files.h"
#include "shared/platform.h"
#include "config/settings.h"
#include "model/barrel.h"
#include "model/shot_eval.h"
#include "plugin_state.h"

namespace sim {

LogRecomputation::LogRecomputation(const std::string& text, std::string ini) : ini_(std::move(ini)) {
    standin::reset_plugin_globals();
    load_settings_from_text(text);
}

LogRecomputation::~LogRecomputation() { standin::reset_plugin_globals(); }

void LogRecomputation::add(std::size_t session, const LogRow& row) {
    if (sessions_.size() <= session) sessions_.resize(session + 1);
    RecomputedSession& s = sessions_[session];
    // The chances read the barrel from the plugin's globals.
    barrel_heat = row.heat;
    barrel_cold = row.cold;
    const ShotChances chances =
        shot_chances(tuned_weapon_classes[row.class_index], row.dirt, row.effective_degradation);
    const ShotOutcome outcome = shot_outcome(chances, row.effective_degradation, row.roll);
    RecomputedFigures& g = s.groups[log_group_of(row.is_npc, row.class_index)];
    ++g.shots;
    if (outcome == ShotOutcome::crack) {
        ++g.cracks;
        ++s.cracks;
    } else if (outcome == ShotOutcome::explosion) {
        ++g.explosions;
        ++s.explosions;
    }
}

AnalysedLog analyse_log_text(std::string_view text, const std::string& file, const std::optional<std::string>& ini_text,
                             const std::string& ini_name) {
    AnalysedLog analysed;
    if (!ini_text) {
        analysed.log = read_shot_log_text(text, file);
        return analysed;
    }
    LogRecomputation recomputation(*ini_text, ini_name);
    analysed.log = read_shot_log_text(text, file, recomputation.sink());
    analysed.ini = ini_name;
    analysed.with_ini = recomputation.sessions();
    analysed.with_ini.resize(analysed.log.sessions.size());
    return analysed;
}

AnalysedLog analyse_log(const std::filesystem::path& log, const std::optional<std::filesystem::path>& ini) {
    std::optional<std::string> ini_text;
    if (ini) ini_text = read_file(*ini, "INI file");
    const std::string text = read_file(log, "shot log");
    return analyse_log_text(text, utf8_of(log), ini_text, ini ? utf8_of(*ini) : std::string());
}

}  // namespace sim
