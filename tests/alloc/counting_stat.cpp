#include "counting_stat.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstring>

namespace {

std::uint64_t queries = 0;

bool names_settings_file(const char* path) {
    constexpr const char* name = "Barrelburst.ini";
    const std::size_t length = std::strlen(path);
    const std::size_t name_length = std::strlen(name);
    return length >= name_length && std::strcmp(path + length - name_length, name) == 0 &&
           (length == name_length || path[length - name_length - 1] == '/');
}

}  // namespace

extern "C" int stat(const char* path, struct stat* status) {
    using Stat = int (*)(const char*, struct stat*);
    static const Stat real = reinterpret_cast<Stat>(dlsym(RTLD_NEXT, "stat"));
    if (names_settings_file(path)) ++queries;
    return real(path, status);
}

namespace stat_count {

std::uint64_t settings_file_queries() { return queries; }

}  // namespace stat_count
