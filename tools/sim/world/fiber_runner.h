#pragma once
// The plugin in the stand-in host with a script fiber, as run_simulation
// drives it: script_main on the fiber, one frame a resume. A test that
// watches the run derives from it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "plugin_session.h"
#include "world/simulation.h"

namespace sim {

class FiberRunner : public PluginRunner {
public:
    standin::World& world() override;
    void run_body(const std::function<void()>& body) override;
    void attach(int frames) override;
    void run_to(int frame) override;
    int frame() const override;
    void detach() override;
    std::vector<std::string> errors() const override;
    std::uint64_t natives() const override;
    std::uint64_t waits() const override;

private:
    std::optional<standin::PluginSession> session_;
};

}  // namespace sim
