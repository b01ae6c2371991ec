#pragma once
// What the tests of the Windows build share: scratch folders, shell commands
// and their output, and wine with the tests' own prefix.

#include <filesystem>
#include <string>

namespace wine_test {

inline const std::filesystem::path windows_build = BB_WINDOWS_BUILD_DIR;
inline const std::filesystem::path source_dir = BB_SOURCE_DIR;
inline const std::filesystem::path wine_prefix = BB_WINE_PREFIX;

// A fresh folder in the temporary folder, removed with everything in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // Copies a file (or a folder with its files) into the folder as name.
    void copy_in(const std::filesystem::path& from, const std::string& name) const;

private:
    std::filesystem::path path_;
};

std::string shell_quote(const std::string& text);

struct CommandOutput {
    int status = -1;
    std::string text;   // standard output, CR removed
    std::string error;  // standard error, CR removed
};
// Runs a shell command with its output in files, not a pipe: the wineserver
// that a first wine starts would hold a pipe open for seconds after the end.
CommandOutput run_shell(const std::string& command);

// The shell command that runs "program arguments" under wine in folder, in a
// UTF-8 locale: wine reads its command line and the Linux file names in the
// locale's character set, and one without UTF-8 loses what ASCII cannot hold.
std::string wine_command(const std::filesystem::path& folder, const std::string& program_and_arguments);

// A Linux path as a Windows program under wine names it: Z:\tmp\...
std::string windows_name(const std::filesystem::path& path);

// A whole file as bytes; empty when it cannot be read.
std::string file_text(const std::filesystem::path& path);

}  // namespace wine_test
