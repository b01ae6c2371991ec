#pragma once
// Shot logs as the plugin writes them (Barrelburst-shots.csv), for the tests
// and the benchmarks: a player and armed NPCs firing over the passes of each
// session, every row's chances and outcome from the plugin's own
// shot_chances() and shot_outcome() under the given INI.

#include <cstdint>
#include <string>

namespace test {

struct SampleLog {
    int sessions = 2;
    std::int64_t rows = 1000;  // in all, shared out evenly among the sessions
    int npcs = 40;
    std::string ini;         // the INI's bytes the plugin reads (empty: every default)
    int passes_per_shot = 1;  // a shot evaluated in this many passes in a row
    std::uint32_t seed = 1;
};

// The header line and the rows; the plugin's globals are put back after.
std::string sample_shot_log(const SampleLog& sample);

// The session value of session i (from 0) in a sample log.
std::string sample_session(int i);

}  // namespace test
