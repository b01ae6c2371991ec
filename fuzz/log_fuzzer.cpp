// The shot-log reader over arbitrary bytes, as a modder runs `log` on a file
// someone shared: no crash, no sanitizer report; every finding on a line of
// the input; the sums agree (the sessions' shots are their classes' shots and
// the rows read, failures never outnumber shots); the same shots recomputed
// under the default settings are the same shots; the JSON always parses.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "log/log_output.h"
#include "log/log_recompute.h"

namespace {

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "log_fuzzer: %s\n", what);
    std::abort();
}

void check_session(const sim::LogSession& s, const sim::RecomputedSession& r) {
    std::int64_t shots = 0;
    std::int64_t failures = 0;
    for (std::size_t g = 0; g < sim::log_group_count; ++g) {
        const sim::LogGroupFigures& f = s.groups[g];
        shots += f.shots;
        failures += f.cracks + f.explosions;
        if (f.cracks + f.explosions > f.shots) broken("a class with more failures than shots");
        if (f.next_pass_shots > f.shots || f.firing_seconds > f.shots) broken("a class's passes outnumber its shots");
        if (r.groups[g].shots != f.shots) broken("the recomputation saw other shots");
        if (r.groups[g].cracks + r.groups[g].explosions > f.shots) broken("recomputed failures outnumber shots");
    }
    if (shots != s.shots || failures != s.cracks + s.explosions) broken("a session's sums are not its classes'");
    if (s.shots == 0) broken("a session without shots");
    if (s.first_pass > s.last_pass) broken("a session that ends before it starts");
    if (!(s.expected_cracks + s.expected_explosions <= static_cast<double>(s.shots) + 1e-6)) {
        broken("more failures expected than shots");
    }
    if (s.npc_weapons.count > s.shots - s.player_shots) broken("more NPC weapons than NPC shots");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const sim::AnalysedLog a = sim::analyse_log_text(text, "Barrelburst-shots.csv", std::string(), "defaults");
    std::int64_t shots = 0;
    for (std::size_t i = 0; i < a.log.sessions.size(); ++i) {
        check_session(a.log.sessions[i], a.with_ini[i]);
        shots += a.log.sessions[i].shots;
    }
    if (shots != a.log.rows) broken("the sessions' shots are not the rows read");
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
