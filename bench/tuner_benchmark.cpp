// The tuner page's engine on the shipped INI, natively: what the page asks
// for when it opens a file (describe_ini), and what it asks for on every
// event of a dragged slider (edit_ini, then describe_edit), with the parts
// describe_edit is made of.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "check/check.h"
#include "config/settings.h"
#include "config/settings_text.h"
#include "engine/recoil_curves.h"
#include "engine/tuner_engine.h"
#include "host/plugin_state.h"
#include "shared/files.h"

namespace {

std::string shipped_ini() { return sim::read_file(std::string(BB_SOURCE_DIR) + "/release/Barrelburst.ini", "INI"); }

void DescribeIni(benchmark::State& state) {
    const std::string ini = shipped_ini();
    for (auto _ : state) benchmark::DoNotOptimize(tuner::describe_ini(ini, "Barrelburst.ini"));
}
BENCHMARK(DescribeIni)->Unit(benchmark::kMillisecond);

// A slider dragged: each event's text before is the one after the last.
void drag(benchmark::State& state, const char* section, const char* key) {
    const std::string texts[2] = {tuner::edit_ini(shipped_ini(), section, key, "0.5"),
                                  tuner::edit_ini(shipped_ini(), section, key, "0.6")};
    int at = 0;
    // The odds as numbers, as the page takes them.
    std::vector<double> numbers;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            tuner::describe_edit(texts[at], texts[1 - at], "Barrelburst.ini", section, key, &numbers));
        at = 1 - at;
    }
}

// A class's key: that class's odds only.
void DescribeEditOfAClassKey(benchmark::State& state) { drag(state, "Expo_Chance", "rifle_expo_chance_mod"); }
BENCHMARK(DescribeEditOfAClassKey)->Unit(benchmark::kMillisecond);

// A key every class reads: every class's odds.
void DescribeEditOfTheCap(benchmark::State& state) { drag(state, "Main", "maximum_chance_for_explosion"); }
BENCHMARK(DescribeEditOfTheCap)->Unit(benchmark::kMillisecond);

void EditIni(benchmark::State& state) {
    const std::string ini = shipped_ini();
    for (auto _ : state) benchmark::DoNotOptimize(tuner::edit_ini(ini, "Expo_Chance", "rifle_expo_chance_mod", "0.5"));
}
BENCHMARK(EditIni)->Unit(benchmark::kMicrosecond);

void CheckIniText(benchmark::State& state) {
    const std::string ini = shipped_ini();
    for (auto _ : state) benchmark::DoNotOptimize(sim::check_ini_text(ini, "Barrelburst.ini"));
}
BENCHMARK(CheckIniText)->Unit(benchmark::kMillisecond);

void RecoilCurves(benchmark::State& state) {
    reset_plugin_state();
    load_settings_from_text(shipped_ini());
    for (auto _ : state) benchmark::DoNotOptimize(tuner::recoil_curves());
    reset_plugin_state();
}
BENCHMARK(RecoilCurves)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
