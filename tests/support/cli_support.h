#pragma once
// barrelburst-sim's command line called as a library function, what the
// tests read back from the files it writes, and the fixture of the tool's
// tests: a scratch working directory to write their files in.

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "support/test_support.h"

namespace test {

struct Cli {
    int status = 0;
    std::string out;
    std::string err;
};

inline Cli cli(std::vector<std::string> args) {
    args.insert(args.begin(), "barrelburst-sim");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out;
    std::ostringstream err;
    Cli result;
    result.status = sim::cli_main(static_cast<int>(argv.size()), argv.data(), out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

inline std::string read_text(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::size_t count_of(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The fixture of the tool's tests: the command line, and their files in a
// scratch working directory.
class ToolTest : public ::testing::Test {
protected:
    using Cli = test::Cli;
    static Cli cli(std::vector<std::string> args) { return test::cli(std::move(args)); }

    // The file's path; the file is written in the scratch directory.
    std::string write(const std::string& name, const std::string& content) {
        scratch_.write(name, content);
        return (scratch_.path() / name).string();
    }

    ScratchDirectory scratch_;
};

}  // namespace test
