#include "support/test_support.h"

#include <unistd.h>

#include <fstream>
#include <random>


namespace test {

ScratchDirectory::ScratchDirectory() {
    static std::mt19937_64 names{std::random_device{}()};
    previous_ = std::filesystem::current_path();
    path_ = std::filesystem::temp_directory_path() / ("barrelburst-test-" + std::to_string(getpid()) + "-" +
                                                      std::to_string(names()));
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void ScratchDirectory::write(const std::string& name, const std::string& content) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out << content;
}

void PluginTest::SetUp() { reset_plugin_state(); }

void PluginTest::start() {
    session_.reset();  // the old session detaches before the new one attaches
    session_ = std::make_unique<standin::PluginSession>();
}

void PluginTest::TearDown() {
    session_.reset();
    for (const std::string& error : host().errors()) ADD_FAILURE() << "host contract error: " << error;
}

std::vector<std::string> PluginTest::lines_from(int frame) const {
    std::vector<std::string> lines;
    for (const standin::Call& c : standin::Host::get().log()) {
        if (c.frame >= frame) lines.push_back(standin::format_call(c));
    }
    return lines;
}

std::vector<std::string> PluginTest::lines_in(int frame) const {
    std::vector<std::string> lines;
    for (const standin::Call& c : standin::Host::get().log()) {
        if (c.frame == frame) lines.push_back(standin::format_call(c));
    }
    return lines;
}

}  // namespace test
