#pragma once
// `run --csv DIR`: the per-shot and per-frame records and every text the
// plugin drew as CSV files, DIR/shots.csv, DIR/frames.csv and DIR/texts.csv,
// with a header line each.

#include <filesystem>

#include "world/simulation.h"

namespace sim {

// Creates the directory if needed; throws ToolError naming the file that
// cannot be written.
void write_csv(const std::filesystem::path& dir, const RunResult& result);

}  // namespace sim
