#pragma once
// Counts the process's stat() calls on Barrelburst.ini: the file-system
// queries of the plugin's live tuning. stat is replaced by a wrapper that
// counts and calls the C library's own.

#include <cstdint>

namespace stat_count {

std::uint64_t settings_file_queries();

}  // namespace stat_count
