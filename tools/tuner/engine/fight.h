#pragma once
// The page's fight: a shipped scenario played by the plugin under the page's
// INI text with a seed, as `barrelburst-sim run` plays it (the same world,
// driver and observer, the plugin's own script), in slices of frames so
// that the page stays live while it runs. Every answer is JSON.

#include <cstdint>
#include <string>
#include <string_view>

namespace tuner {

// The shipped scenarios: name, description, frames and seed of each.
std::string fight_scenarios();
// A new fight (the one under way, if any, is dropped) of the scenario's
// length, or of that many frames: its frames.
std::string fight_start(std::string_view ini_text, const std::string& scenario, std::uint32_t seed, int frames = 0);
// About this many more frames; the frames done and whether the fight is over.
std::string fight_step(int frames);
// The fight's result, once over: shooters, every shot, the summary per
// shooter kind and weapon class, the barrel's curve, what the world shows.
std::string fight_result();

}  // namespace tuner
