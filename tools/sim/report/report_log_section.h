#pragma once
// The report page's section "Your game": a shot log of the modder's own game
// as pictures. Per session the failures over the minutes of play against the
// ones expected from the recorded chances, the NPC weapons' dirt and
// degradation as histograms, the failures per kind and class logged against
// the expected ones (or, with an INI, against the same shots under it), and
// the session figures as tables. Only aggregates are drawn, and at most
// drawn_sessions sessions, so that the page's size does not grow with the
// log. Every text from the log is escaped.

#include <cstddef>
#include <string>

#include "log/log_replay.h"

namespace sim {

inline constexpr std::size_t drawn_sessions = 10;

std::string your_game_section(const AnalysedLog& log);

}  // namespace sim
