#include "wine_support.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

namespace fs = std::filesystem;

namespace wine_test {

ScratchFolder::ScratchFolder(const std::string& prefix) {
    static std::mt19937_64 names{std::random_device{}()};
    path_ = fs::temp_directory_path() / (prefix + "-" + std::to_string(names()));
    fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void ScratchFolder::copy_in(const fs::path& from, const std::string& name) const {
    fs::copy(from, path_ / name, fs::copy_options::overwrite_existing | fs::copy_options::recursive);
}

std::string shell_quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

CommandOutput run_shell(const std::string& command) {
    const ScratchFolder capture("barrelburst-shell");
    const fs::path out = capture.path() / "out";
    const fs::path err = capture.path() / "err";
    const std::string full =
        "( " + command + " ) >" + shell_quote(out.string()) + " 2>" + shell_quote(err.string()) + " </dev/null";
    const int status = std::system(full.c_str());
    CommandOutput result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.text = file_text(out);
    result.error = file_text(err);
    std::erase(result.text, '\r');
    std::erase(result.error, '\r');
    return result;
}

std::string wine_command(const fs::path& folder, const std::string& program_and_arguments) {
    return "cd " + shell_quote(folder.string()) + " && LC_ALL=C.UTF-8 WINEPREFIX=" +
           shell_quote(wine_prefix.string()) + " WINEDEBUG=-all wine " + program_and_arguments;
}

std::string windows_name(const fs::path& path) {
    std::string name = "Z:" + path.string();
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

std::string file_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace wine_test
