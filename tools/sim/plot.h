#pragma once
// `run --plot FILE`: the barrel heat and cold over the run with the failures
// on the curve, drawn by gnuplot (run as a separate program) into an SVG or
// PNG file, chosen by the file's extension.

#include <filesystem>

#include "simulation.h"

namespace sim {

// Throws ToolError when the extension is neither .svg nor .png, when gnuplot
// cannot be found on PATH, or when it fails (with its message).
void write_plot(const std::filesystem::path& file, const RunResult& result);

// Where gnuplot is on PATH; empty when it is not there.
std::filesystem::path find_gnuplot();

}  // namespace sim
