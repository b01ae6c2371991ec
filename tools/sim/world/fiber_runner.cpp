// The run in the stand-in host with a script fiber: the plugin's script_main
// runs on the fiber as the game's host runs it, one frame a resume.

#include <algorithm>
#include <optional>

#include "host.h"
#include "plugin_session.h"
#include "world/simulation.h"

namespace sim {

namespace {

constexpr int progress_every = 500;

class FiberRunner : public PluginRunner {
public:
    standin::World& world() override { return standin::Host::get().world(); }
    void run_body(const std::function<void()>& body) override {
        standin::Host& host = standin::Host::get();
        host.reset();
        host.recording = false;
        host.run_script_body(body);
    }
    void attach(int) override {
        session_.emplace();
        session_->host().recording = false;
    }
    void run_to(int frame) override { session_->run_frames(frame - session_->host().frame()); }
    int frame() const override { return standin::Host::get().frame(); }
    void detach() override { session_->detach(); }
    std::vector<std::string> errors() const override { return standin::Host::get().errors(); }
    std::uint64_t natives() const override { return standin::Host::get().native_count(); }
    std::uint64_t waits() const override { return standin::Host::get().wait_count(); }

private:
    std::optional<standin::PluginSession> session_;
};

}  // namespace

RunResult run_simulation(const RunOptions& options) {
    FiberRunner runner;
    SimulationRun run(options, runner);
    const int frames = run.result().frames;
    for (int done = 0; done < frames;) {
        done = std::min(done + progress_every, frames);
        run.run_to(done);
        if (options.on_progress) options.on_progress(done, frames);
    }
    return run.finish();
}

}  // namespace sim
