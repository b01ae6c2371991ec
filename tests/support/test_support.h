#pragma once
// What the tests share: a scratch working directory holding the INI, the
// plugin's globals put back to their load values, and the plugin attached to
// a fresh stand-in host whose contract errors fail the test.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host.h"
#include "plugin_session.h"
#include "host/plugin_state.h"

namespace test {


// A fresh directory that is the working directory for the test's life.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    const std::filesystem::path& path() const { return path_; }
    void write(const std::string& name, const std::string& content) const;

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// Writes content to Barrelburst.ini in a scratch directory, resets the plugin,
// attaches it and checks at the end that the host saw no contract error.
class PluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the INI (call before start()).
    void ini(const std::string& content) { scratch_.write("Barrelburst.ini", content); }
    // Attaches the plugin; the first frame loads the settings.
    void start();
    void run_frames(int count) { host().run_frames(count); }

    standin::Host& host() { return standin::Host::get(); }
    standin::World& world() { return host().world(); }
    // The log lines from the given frame on, as format_call writes them.
    std::vector<std::string> lines_from(int frame) const;
    std::vector<std::string> lines_in(int frame) const;

    ScratchDirectory scratch_;
    std::unique_ptr<standin::PluginSession> session_;
};

}  // namespace test
