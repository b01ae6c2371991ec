#include "shared/files.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#include "shared/platform.h"

namespace sim {

std::filesystem::path make_temporary_directory(const std::string& prefix, const std::string& purpose) {
    std::error_code error;
    const std::filesystem::path path =
        std::filesystem::temp_directory_path(error) /
        (prefix + "-" + std::to_string(process_id()) + "-" + std::to_string(std::random_device{}()));
    if (error || !std::filesystem::create_directories(path, error) || error) {
        throw ToolError("cannot create a scratch directory " + utf8_of(path) + " for " + purpose);
    }
    return path;
}

std::string read_file(const std::filesystem::path& file, const char* what) {
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) {
        throw ToolError(std::string("cannot read ") + what + " '" + utf8_of(file) + "': it is a directory");
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw ToolError(std::string("cannot read ") + what + " '" + utf8_of(file) + "': " + std::strerror(errno));
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw ToolError(std::string("cannot read ") + what + " '" + utf8_of(file) + "': read error");
    return text.str();
}

}  // namespace sim
