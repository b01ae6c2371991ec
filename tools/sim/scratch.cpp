#include "scratch.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#include "platform.h"

namespace sim {

std::filesystem::path make_temporary_directory(const std::string& prefix, const std::string& purpose) {
    std::error_code error;
    const std::filesystem::path path =
        std::filesystem::temp_directory_path(error) /
        (prefix + "-" + std::to_string(process_id()) + "-" + std::to_string(std::random_device{}()));
    if (error || !std::filesystem::create_directories(path, error) || error) {
        throw ToolError("cannot create a scratch directory " + path.string() + " for " + purpose);
    }
    return path;
}

ScratchWorkingDirectory::ScratchWorkingDirectory(const std::optional<std::filesystem::path>& ini) {
    std::error_code error;
    previous_ = std::filesystem::current_path(error);
    if (error) throw ToolError("cannot read the working directory: " + error.message());
    path_ = make_temporary_directory("barrelburst-sim", "the INI file");
    if (ini) {
        std::filesystem::copy_file(*ini, path_ / "Barrelburst.ini", error);
        if (error) {
            remove();
            throw ToolError("cannot copy INI file '" + ini->string() + "': " + error.message());
        }
    }
    std::filesystem::current_path(path_, error);
    if (error) {
        remove();
        throw ToolError("cannot enter the scratch directory " + path_.string());
    }
}

ScratchWorkingDirectory::~ScratchWorkingDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    remove();
}

void ScratchWorkingDirectory::remove() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string read_file(const std::filesystem::path& file, const char* what) {
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) {
        throw ToolError(std::string("cannot read ") + what + " '" + file.string() + "': it is a directory");
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw ToolError(std::string("cannot read ") + what + " '" + file.string() + "': " + std::strerror(errno));
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw ToolError(std::string("cannot read ") + what + " '" + file.string() + "': read error");
    return text.str();
}

}  // namespace sim
