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

void check_ini_file(const std::filesystem::path& ini) {
    std::error_code error;
    if (std::filesystem::is_regular_file(ini, error)) return;
    throw ToolError("cannot read INI file '" + utf8_of(ini) + "': " +
                    (std::filesystem::exists(ini, error) ? "not a regular file" : "No such file or directory"));
}

std::string read_file(const std::filesystem::path& file, const char* what) {
    const auto cannot_read = [&](const std::string& why) {
        return ToolError(std::string("cannot read ") + what + " '" + utf8_of(file) + "': " + why);
    };
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) throw cannot_read("it is a directory");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw cannot_read(std::strerror(errno));
    // Read at once into a string of the file's size; a file that is not a
    // regular one (a pipe) is read as it comes.
    std::string text;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (!error) {
        text.resize(static_cast<std::size_t>(size));
        in.read(text.data(), static_cast<std::streamsize>(size));
        text.resize(static_cast<std::size_t>(in.gcount()));
    }
    std::ostringstream rest;
    if (in) rest << in.rdbuf();
    if (in.bad()) throw cannot_read("read error");
    text += rest.str();
    return text;
}

}  // namespace sim
