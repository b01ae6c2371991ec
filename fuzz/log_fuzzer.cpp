// The shot-log reader and the replay over arbitrary bytes, as a modder runs
// `log --ini --replay` on a file someone shared: no crash, no sanitizer
// report; every finding on a line of the input; the sums agree (the
// sessions' shots are their classes' shots and the rows read, failures never
// outnumber shots); every logged shot is replayed, dropped as not fired or
// not evaluated; the replayed log reads back without a finding, one row per
// replayed shot; the JSON always parses.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "log/log_output.h"
#include "log/log_replay.h"

namespace {

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "log_fuzzer: %s\n", what);
    std::abort();
}

void check_session(const sim::LogSession& s, const sim::ReplayedSession& r) {
    std::int64_t shots = 0;
    std::int64_t failures = 0;
    for (std::size_t g = 0; g < sim::log_group_count; ++g) {
        const sim::LogGroupFigures& f = s.groups[g];
        shots += f.shots;
        failures += f.cracks + f.explosions;
        if (f.cracks + f.explosions > f.shots) broken("a class with more failures than shots");
        if (f.next_pass_shots > f.shots || f.firing_seconds > f.shots) broken("a class's passes outnumber its shots");
        if (r.groups[g].shots + r.groups[g].not_fired > f.shots) broken("the replay saw other shots");
        if (r.groups[g].cracks + r.groups[g].explosions > r.groups[g].shots) broken("replayed failures outnumber shots");
    }
    if (shots != s.shots || failures != s.cracks + s.explosions) broken("a session's sums are not its classes'");
    if (s.shots == 0) broken("a session without shots");
    if (s.first_pass > s.last_pass) broken("a session that ends before it starts");
    if (!(s.expected_cracks + s.expected_explosions <= static_cast<double>(s.shots) + 1e-6)) {
        broken("more failures expected than shots");
    }
    if (s.npc_weapons.count > s.shots - s.player_shots) broken("more NPC weapons than NPC shots");
    if (r.shots + r.not_fired + r.not_evaluated != s.shots) broken("a logged shot neither replayed nor dropped");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::ostringstream replayed;
    const sim::AnalysedLog a = sim::analyse_log_text(text, "Barrelburst-shots.csv", std::string(), "defaults", &replayed);
    std::int64_t shots = 0;
    std::int64_t replayed_shots = 0;
    for (std::size_t i = 0; i < a.log.sessions.size(); ++i) {
        check_session(a.log.sessions[i], a.with_ini[i]);
        shots += a.log.sessions[i].shots;
        replayed_shots += a.with_ini[i].shots;
    }
    if (shots != a.log.rows) broken("the sessions' shots are not the rows read");
    const sim::ShotLog again = sim::read_shot_log_text(replayed.str(), "replayed.csv");
    if (again.rows != replayed_shots) broken("the replayed log does not hold one row per replayed shot");
    for (const sim::Finding& f : again.findings) {
        // A session value that is itself a header's worth of names is the one thing a replayed row cannot carry.
        if (f.severity == sim::Severity::error) broken("a replayed row does not read back");
    }
    for (const sim::Finding& f : a.log.findings) {
        if (f.line < 0 || f.line > a.log.lines) broken("a finding on a line outside the input");
        if (f.message.empty()) broken("a finding without a message");
    }
    std::ostringstream json;
    sim::print_log_json(json, a);
    if (!nlohmann::json::accept(json.str())) broken("the log's JSON does not parse");
    std::ostringstream printed;
    sim::print_log_text(printed, a);
    return 0;
}
