#pragma once
// The play log: with [Main] shot_log on, every evaluated shot becomes one row
// of Barrelburst-shots.csv beside Barrelburst.ini. Rows are formatted into
// fixed storage as the shots happen and appended to the file once every 60
// passes of the frame loop, whenever the storage would otherwise overflow,
// and when the plugin is unloaded. A file that cannot be written stops the
// log for the rest of the game, with one banner.

#include <cstddef>
#include <cstdint>

#include "model/shot_record.h"

inline constexpr const char* shot_log_file_name = "Barrelburst-shots.csv";
// The first line of a log file, written when the file is missing or empty.
inline constexpr const char* shot_log_header =
    "session,pass,ped,kind,class,weapon_hash,temperature,dirt,game_degradation,effective_degradation,"
    "base_degradation,heat,cold,kick,crack_chance,explosion_chance,crack_degradation_limit,roll,outcome";
inline constexpr const char* shot_log_failure_text = "Barrelburst-shots.csv cannot be written";

inline constexpr int shot_log_write_passes = 60;
// The file stops growing at this size.
inline constexpr std::uint64_t shot_log_size_limit = std::uint64_t{256} << 20;
