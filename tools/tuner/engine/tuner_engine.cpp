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
#include "config/settings.h"
#include "config/settings_table.h"
#include "engine/recoil_curves.h"
#include "log/log_output.h"
#include "log/log_replay.h"
#include "odds/odds.h"
#include "plugin_state.h"

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
    std::vector<float> numbers;
    if (row.kind == ValueKind::pair) {
        RecoilRange pair{};
        if (!scan_pair(text.c_str(), pair)) scan_pair(fallback_of(row), pair);
        numbers = {pair.low, pair.high};
    } else if (row.kind == ValueKind::seven) {
        RecoilModifiers seven{};
        if (!scan_seven(text.c_str(), seven)) scan_seven(fallback_of(row), seven);
        numbers.assign(seven.begin(), seven.end());
    } else {
        return nullptr;
    }
    Json spans = Json::array();
    for (const float number : numbers) spans.push_back(span_json(slider_span(row, number)));
    return spans;
}

Json setting_json(const sim::CheckedSetting& s) {
    const SettingKey& row = *s.row;
    const bool listed = row.scope == KeyScope::any_key;
    return {{"id", s.section + "/" + s.key},
            {"section", s.section},
            {"key", s.key},
            {"kind", listed ? "pair" : kind_name(row.kind)},
            {"meaning", row.meaning},
            {"default", listed ? Json(nullptr) : Json(row.default_text)},
            {"written", s.source == "default" ? Json(nullptr) : Json(s.written)},
            {"value", s.value},
            {"source", s.source},
            {"line", s.line > 0 ? Json(s.line) : Json(nullptr)},
            {"differs", s.differs},
            {"listed", listed},
            {"range", range_json(row)},
            {"slider", slider_json(s)}};
}

// The keys by section, in the order the shipped file has its sections.
Json sections_json(const sim::CheckReport& check) {
    Json sections = Json::array();
    for (const char* section : settings_sections) {
        Json keys = Json::array();
        for (const sim::CheckedSetting& s : check.settings) {
            if (s.section == section) keys.push_back(setting_json(s));
        }
        sections.push_back({{"name", section}, {"keys", std::move(keys)}});
    }
    return sections;
}

Json odds_json(float heat) {
    sim::OddsOptions options;
    options.heat = heat;
    const std::vector<sim::ClassOdds> odds = sim::odds_of_loaded_settings(options);
    Json classes = Json::array();
    for (const sim::ClassOdds& c : odds) {
        Json crack = Json::array();
        Json explosion = Json::array();
        Json shots = Json::array();
        for (const sim::OddsCell& cell : c.cells) {
            crack.push_back(cell.crack_probability);
            explosion.push_back(cell.explosion_probability);
            // As `odds --csv` gives it: 0 when the gun never fails.
            const double p = cell.failure_probability();
            shots.push_back(p > 0.0 ? 1.0 / p : 0.0);
        }
        classes.push_back({{"class", c.weapon_class},
                           {"crack_degradation_limit", c.cells.front().chances.crack_degradation_limit},
                           {"crack", std::move(crack)},
                           {"explosion", std::move(explosion)},
                           {"shots", std::move(shots)}});
    }
    return {{"heat", heat}, {"cold", 0.0f}, {"dirt", options.dirt}, {"degradation", options.degradation},
            {"classes", std::move(classes)}};
}

Json recoil_json() {
    Json curves = Json::array();
    for (const RecoilCurve& c : recoil_curves()) {
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

}  // namespace

std::string describe_ini(std::string_view text, const std::string& name) {
    const std::string bytes(text);
    const sim::CheckReport check = sim::check_ini_text(bytes, name);
    Json document = Json::object();
    document["file"] = name;
    document["sections"] = sections_json(check);
    document["findings"] = sim::findings_json(check.findings);

    standin::reset_plugin_globals();
    load_settings_from_text(bytes);
    Json odds = Json::object();
    odds["cool"] = odds_json(0.0f);
    odds["hot"] = odds_json(hot_barrel_heat);
    document["odds"] = std::move(odds);
    document["recoil"] = recoil_json();
    standin::reset_plugin_globals();
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
