#include "engine/tuner_engine.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

#include "check/check.h"
#include "config/ini_edit.h"
#include "config/ini_names.h"
#include "config/settings.h"
#include "config/settings_text.h"
#include "config/settings_table.h"
#include "engine/recoil_curves.h"
#include "log/log_output.h"
#include "log/log_replay.h"
#include "odds/odds.h"
#include "host/plugin_state.h"

namespace tuner {

namespace {

using Json = nlohmann::ordered_json;

// The heat of the hot barrel: the full heat that rapid fire builds up.
constexpr float hot_barrel_heat = 1.0f;

const char* kind_name(ValueKind kind) {
    switch (kind) {
        case ValueKind::number: return "number";
        case ValueKind::flag: return "flag";
        case ValueKind::exact_switch: return "switch";
        case ValueKind::whole_number: return "whole";
        case ValueKind::text: return "text";
        case ValueKind::pair: return "pair";
        case ValueKind::seven: return "seven";
    }
    return "text";
}

Json finite_or_null(float value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

Json range_json(const SettingKey& row) {
    if (!row.has_range) return nullptr;
    return {{"low", finite_or_null(row.range.low)},
            {"high", finite_or_null(row.range.high)},
            {"high_excluded", row.range.high_excluded},
            {"outside", row.range.outside != nullptr ? Json(row.range.outside) : Json(nullptr)}};
}

// A float as the shortest decimal that reads back as it (0.001, not
// 0.0010000000474974513), so that a slider's steps land on plain numbers.
Json decimal_json(float value) {
    char text[32];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) break;
    }
    return std::strtod(text, nullptr);
}

Json span_json(SliderSpan span) {
    return {{"low", decimal_json(span.low)},
            {"high", decimal_json(span.high)},
            {"step", decimal_json(slider_step(span))}};
}

// The slider of a number key, and one per number of a list key, at the
// numbers the plugin reads from the key's text as the file shows it (the
// default where the file gives none, a list's fallback where its text does
// not read); null for every other kind.
Json slider_json(const sim::CheckedSetting& s) {
    const SettingKey& row = *s.row;
    const std::string text = s.source == "default" ? std::string(row.default_text) : s.written;
    if (row.kind == ValueKind::number) {
        return span_json(slider_span(row, static_cast<float>(std::atof(text.c_str()))));
    }
    if (row.kind != ValueKind::pair && row.kind != ValueKind::seven) return nullptr;
    const SettingValue list = value_of_text(row, text.c_str());
    Json spans = Json::array();
    for (int i = 0; i < list.list_size; ++i) {
        spans.push_back(span_json(slider_span(row, list.list[static_cast<std::size_t>(i)])));
    }
    return spans;
}

Json setting_json(const sim::CheckedSetting& s, bool meaning) {
    const SettingKey& row = *s.row;
    const bool listed = row.scope == KeyScope::any_key;
    Json key = {{"id", s.section + "/" + s.key},
                {"section", s.section},
                {"key", s.key},
                {"kind", listed ? "pair" : kind_name(row.kind)}};
    if (meaning) key["meaning"] = row.meaning;
    key.update(Json{{"default", listed ? Json(nullptr) : Json(row.default_text)},
            {"written", s.source == "default" ? Json(nullptr) : Json(s.written)},
            {"value", s.value},
            {"source", s.source},
            {"line", s.line > 0 ? Json(s.line) : Json(nullptr)},
            {"differs", s.differs},
            {"listed", listed},
            {"range", range_json(row)},
            {"slider", slider_json(s)}});
    return key;
}

// The keys by section, in the order the shipped file has its sections.
Json sections_json(const sim::CheckReport& check, bool meanings) {
    Json sections = Json::array();
    for (const SettingSection& section : settings_sections) {
        Json keys = Json::array();
        for (const sim::CheckedSetting& s : check.settings) {
            if (s.section == section.name) keys.push_back(setting_json(s, meanings));
        }
        sections.push_back({{"name", section.name}, {"keys", std::move(keys)}});
    }
    return sections;
}

// The odds at a barrel's heat, of the classes named (every tuned class when
// none is). Each class's crack, explosion and shots figures are arrays in
// the document, or, with `numbers`, appended there one after the other, the
// class giving where they start ("at").
Json odds_json(float heat, const std::vector<std::string>& only, std::vector<double>* numbers) {
    sim::OddsOptions options;
    options.heat = heat;
    options.classes = only;
    const std::vector<sim::ClassOdds> odds = sim::odds_of_loaded_settings(options);
    // As `odds --csv` gives it: 0 when the gun never fails.
    const auto shots_of = [](const sim::OddsCell& cell) {
        const double p = cell.failure_probability();
        return p > 0.0 ? 1.0 / p : 0.0;
    };
    Json classes = Json::array();
    for (const sim::ClassOdds& c : odds) {
        Json figures = {{"class", c.weapon_class},
                        {"crack_degradation_limit", c.cells.front().chances.crack_degradation_limit}};
        if (numbers != nullptr) {
            figures["at"] = numbers->size();
            for (const sim::OddsCell& cell : c.cells) numbers->push_back(cell.crack_probability);
            for (const sim::OddsCell& cell : c.cells) numbers->push_back(cell.explosion_probability);
            for (const sim::OddsCell& cell : c.cells) numbers->push_back(shots_of(cell));
        } else {
            Json crack = Json::array();
            Json explosion = Json::array();
            Json shots = Json::array();
            for (const sim::OddsCell& cell : c.cells) {
                crack.push_back(cell.crack_probability);
                explosion.push_back(cell.explosion_probability);
                shots.push_back(shots_of(cell));
            }
            figures["crack"] = std::move(crack);
            figures["explosion"] = std::move(explosion);
            figures["shots"] = std::move(shots);
        }
        classes.push_back(std::move(figures));
    }
    return {{"heat", heat}, {"cold", 0.0f}, {"dirt", options.dirt}, {"degradation", options.degradation},
            {"classes", std::move(classes)}};
}

Json recoil_json(const std::vector<RecoilCurve>& of) {
    Json curves = Json::array();
    for (const RecoilCurve& c : of) {
        curves.push_back({{"class", c.weapon_class},
                          {"condition", c.condition},
                          {"free_aiming", c.free_aiming},
                          {"recoil", c.recoil_amount},
                          {"kick", c.kick},
                          {"pitch", c.pitch}});
    }
    Json conditions = Json::array();
    for (const RecoilCondition& c : recoil_conditions) {
        conditions.push_back({{"name", c.name}, {"heat", c.heat}, {"cold", c.cold}, {"degradation", c.degradation},
                              {"dirt", c.dirt}});
    }
    return {{"frames", recoil_frames}, {"conditions", std::move(conditions)}, {"curves", std::move(curves)}};
}

std::string dumped(const Json& document) {
    // Bytes of the file that are not UTF-8 become U+FFFD, so the page can always parse it.
    return document.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The log open_log keeps: its figures and its shots, read once.
struct OpenLog {
    sim::ShotLog log;
    sim::LoggedShots shots;
    std::string name;
};
std::optional<OpenLog> open_log_state;

// A key's state as check gives it, which is all of its document that an
// edit can change.
bool same_state(const sim::CheckedSetting& a, const sim::CheckedSetting& b) {
    return a.section == b.section && a.key == b.key && a.value == b.value && a.written == b.written &&
           a.source == b.source && a.line == b.line && a.differs == b.differs && a.row == b.row;
}

bool same_curves(const std::vector<RecoilCurve>& a, const std::vector<RecoilCurve>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].weapon_class != b[i].weapon_class || a[i].condition != b[i].condition ||
            a[i].free_aiming != b[i].free_aiming || a[i].recoil_amount != b[i].recoil_amount ||
            a[i].kick != b[i].kick || a[i].pitch != b[i].pitch) {
            return false;
        }
    }
    return true;
}

// What f makes of the plugin's settings built from an INI's text; the
// plugin's state is put back after.
template <typename F>
auto under_ini(const std::string& bytes, F f) {
    reset_plugin_state();
    load_settings_from_text(bytes);
    auto result = f();
    reset_plugin_state();
    return result;
}

Json odds_document(const std::vector<std::string>& classes, std::vector<double>* numbers) {
    Json odds = Json::object();
    odds["cool"] = odds_json(0.0f, classes, numbers);
    odds["hot"] = odds_json(hot_barrel_heat, classes, numbers);
    return odds;
}

}  // namespace

std::string describe_ini(std::string_view text, const std::string& name) {
    const std::string bytes(text);
    const sim::CheckReport check = sim::check_ini_text(bytes, name);
    Json document = Json::object();
    document["file"] = name;
    document["sections"] = sections_json(check, true);
    document["findings"] = sim::findings_json(check.findings);

    under_ini(bytes, [&document] {
        document["odds"] = odds_document({}, nullptr);
        return document["recoil"] = recoil_json(recoil_curves());
    });
    return dumped(document);
}

std::vector<std::string> classes_moved_by(const std::string& section, const std::string& key) {
    for (const SettingName& n : all_setting_names()) {
        if (n.row->scope == KeyScope::per_class && n.instance != nullptr && same_ini_name(n.section, section) &&
            same_ini_name(n.key, key)) {
            return {n.instance};
        }
    }
    return {};
}

std::string describe_edit(std::string_view before, std::string_view after, const std::string& name,
                          const std::string& section, const std::string& key, std::vector<double>* odds_numbers) {
    // A slider's events come one after the other: the text before an edit
    // is mostly the text after the last one, whose check and curves are kept.
    struct Described {
        std::string text;
        std::string name;
        sim::CheckReport check;
        std::vector<RecoilCurve> curves;
    };
    static std::optional<Described> last;
    const std::string bytes(after);
    if (!last || last->text != before || last->name != name) {
        const std::string old_bytes(before);
        last = Described{old_bytes, name, sim::check_ini_text(old_bytes, name), under_ini(old_bytes, recoil_curves)};
    }
    const sim::CheckReport& old_check = last->check;
    sim::CheckReport check = sim::check_ini_text(bytes, name);
    // The keys whose state the edit changed, by section as describe_ini gives them.
    Json sections = Json::array();
    for (const SettingSection& shown : settings_sections) {
        Json keys = Json::array();
        for (std::size_t i = 0; i < check.settings.size(); ++i) {
            const sim::CheckedSetting& s = check.settings[i];
            if (s.section != shown.name) continue;
            const bool same = i < old_check.settings.size() && same_state(s, old_check.settings[i]);
            if (!same) keys.push_back(setting_json(s, false));
        }
        sections.push_back({{"name", shown.name}, {"keys", std::move(keys)}});
    }
    Json document = Json::object();
    document["file"] = name;
    document["sections"] = std::move(sections);
    document["findings"] = sim::findings_json(check.findings);

    if (odds_numbers != nullptr) odds_numbers->clear();
    std::vector<RecoilCurve> curves = under_ini(bytes, [&] {
        document["odds"] = odds_document(classes_moved_by(section, key), odds_numbers);
        return recoil_curves();
    });
    document["recoil"] = same_curves(curves, last->curves) ? Json(nullptr) : recoil_json(curves);
    last = Described{bytes, name, std::move(check), std::move(curves)};
    return dumped(document);
}

std::string edit_ini(std::string_view text, const std::string& section, const std::string& key,
                     const std::string& value) {
    return with_value(text, section, key, value);
}

std::string open_log(std::string_view text, const std::string& name) {
    OpenLog opened;
    opened.name = name;
    sim::AnalysedLog analysed;
    opened.shots = sim::read_logged_shots(text, name, analysed.log);
    std::ostringstream out;
    sim::print_log_json(out, analysed);
    opened.log = std::move(analysed.log);
    open_log_state = std::move(opened);
    return out.str();
}

std::string log_under_ini(std::string_view ini_text, const std::string& ini_name) {
    if (!open_log_state) return "null";
    const std::vector<sim::ReplayedSession> replayed = sim::replay_under_ini(open_log_state->shots, std::string(ini_text));
    Json sessions = Json::array();
    for (std::size_t i = 0; i < replayed.size(); ++i) {
        sessions.push_back({{"with_ini", sim::replay_json(open_log_state->log.sessions[i], replayed[i], ini_name)}});
    }
    return dumped({{"sessions", std::move(sessions)}, {"replay", sim::replay_texts_json()}});
}

}  // namespace tuner
