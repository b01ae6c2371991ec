#include "shared/platform.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

extern char** environ;

namespace sim {

std::vector<std::string> program_arguments(int argc, const char* const* argv) {
    return std::vector<std::string>(argv, argv + argc);
}

std::filesystem::path path_from_utf8(const std::string& text) { return text; }

std::string utf8_of(const std::filesystem::path& path) { return path.string(); }

// A terminal here takes the bytes as they come.
struct ConsoleText::Streams {};
ConsoleText::ConsoleText() = default;
ConsoleText::~ConsoleText() = default;

struct MappedFile::Mapping {
    void* address = nullptr;
    std::size_t size = 0;
};

MappedFile::MappedFile(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        const auto size = static_cast<std::size_t>(status.st_size);
        int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
        flags |= MAP_POPULATE;
#endif
        void* address = ::mmap(nullptr, size, PROT_READ, flags, fd, 0);
        if (address != MAP_FAILED) {
            mapping_ = std::make_unique<Mapping>(Mapping{address, size});
            bytes_ = std::string_view(static_cast<const char*>(address), size);
        }
    }
    ::close(fd);
}

MappedFile::~MappedFile() {
    if (mapping_) ::munmap(mapping_->address, mapping_->size);
}

void advise_large_buffer(const void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    const long page = ::sysconf(_SC_PAGESIZE);
    if (page <= 0 || data == nullptr) return;
    const auto mask = static_cast<std::uintptr_t>(page) - 1;
    const auto start = (reinterpret_cast<std::uintptr_t>(data) + mask) & ~mask;
    const auto end = reinterpret_cast<std::uintptr_t>(data) + bytes;
    if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

bool stderr_is_terminal() { return isatty(STDERR_FILENO) != 0; }

std::filesystem::path executable_directory() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path();
}

unsigned long process_id() { return static_cast<unsigned long>(getpid()); }

bool open_with_default_program(const std::filesystem::path& file) {
    // xdg-open with the path as its one argument: nothing goes through a shell.
    std::string program = "xdg-open";
    std::string argument = utf8_of(file);
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A terminal's programs share its console; none has one of its own.
bool console_is_own() { return false; }

}  // namespace sim
