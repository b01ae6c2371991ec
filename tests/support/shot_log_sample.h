#pragma once
// Play logs as the plugin writes them (Barrelburst-shots.csv), for the tests
// and the benchmarks, taken from real runs: the plugin plays a scenario in
// the stand-in host under the given INI with its play log on, one run a
// session, and its own log's rows are kept, as many as asked for, each
// session's under its own session value.

#include <cstdint>
#include <string>

namespace test {

struct SampleLog {
    int sessions = 2;
    std::int64_t rows = 1000;  // in all, shared out evenly among the sessions
    std::string ini;           // the INI's bytes the plugin plays under (empty: every default)
    // A shipped scenario's name, or a scenario's TOML text (any text with a
    // line break), played for as many frames as the session's rows take.
    std::string scenario = "worn-out-posse";
    std::uint32_t seed = 1;  // session i plays seed + i
};

// The header line and the rows.
std::string sample_shot_log(const SampleLog& sample);

// A scenario for large samples: the player and 240 NPCs of every class firing
// about 24 shots a frame, in weather that turns from cold to warm.
std::string crowd_scenario();

// The session value of session i (from 0) in a sample log.
std::string sample_session(int i);

}  // namespace test
