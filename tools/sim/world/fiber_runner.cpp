// The run in the stand-in host with a script fiber: the plugin's script_main
// runs on the fiber as the game's host runs it, one frame a resume.

#include "world/fiber_runner.h"

#include <algorithm>

#include "host.h"

namespace sim {

namespace {

constexpr int progress_every = 500;

}  // namespace

standin::World& FiberRunner::world() { return standin::Host::get().world(); }

void FiberRunner::run_body(const std::function<void()>& body) {
    standin::Host& host = standin::Host::get();
    host.reset();
    host.recording = false;
    host.run_script_body(body);
}

void FiberRunner::attach(int) {
    session_.emplace();
    session_->host().recording = false;
}

void FiberRunner::run_to(int frame) { session_->run_frames(frame - session_->host().frame()); }
int FiberRunner::frame() const { return standin::Host::get().frame(); }
void FiberRunner::detach() { session_->detach(); }
std::vector<std::string> FiberRunner::errors() const { return standin::Host::get().errors(); }
std::uint64_t FiberRunner::natives() const { return standin::Host::get().native_count(); }
std::uint64_t FiberRunner::waits() const { return standin::Host::get().wait_count(); }

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
