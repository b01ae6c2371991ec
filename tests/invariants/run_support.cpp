#include "run_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "config/settings.h"

namespace invariants {

namespace {

std::filesystem::path scratch_path;

void remove_scratch_directory() {
    std::error_code ignored;
    std::filesystem::remove_all(scratch_path, ignored);
}

}  // namespace

std::filesystem::path make_scratch_directory(const std::string& prefix) {
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a scratch directory");
    scratch_path = pattern;
    std::atexit(&remove_scratch_directory);
    return scratch_path;
}

WorkingDirectory::WorkingDirectory(const std::filesystem::path& path) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
}

WorkingDirectory::~WorkingDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

void write_settings_file(const void* data, std::size_t size) {
    std::FILE* file = std::fopen(settings_file_name, "wb");
    if (file == nullptr) throw std::runtime_error("cannot write Barrelburst.ini");
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
}

}  // namespace invariants
