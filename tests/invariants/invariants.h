#pragma once
// The invariants that every frame of the plugin keeps, whatever the game
// answers, checked from outside: at the host boundary (every native the
// plugin invokes and what it was answered) and on the plugin's globals after
// each frame.
//
//  - barrel heat and cold are each in [0, 1], and at most one is above 0;
//  - the banner and overlay texts are NUL-terminated within their 128 bytes
//    (at most 127 characters);
//  - the camera: at most one pitch set per frame, each following a pitch read
//    in the same frame, the new pitch a number in [-89, 89] at most 1.0
//    degree from the pitch read (clamped to that range), and no set at all
//    after a read that is not a number;
//  - one particle asset load makes at most 301 frame waits: counted from the
//    load request to the first native after it that is not the loaded test;
//  - the host saw no contract error (unknown native, wrong argument count,
//    null string, bad slot, call off the fiber).
//
// The monitor installs itself as the host's native observer; create it after
// the host's reset (a PluginSession resets it) and check after every frame.

#include <cstdint>
#include <string>
#include <vector>

#include "host.h"

namespace invariants {

inline constexpr int max_waits_per_asset_load = 301;
inline constexpr float max_pitch_turn = 1.0f;
inline constexpr float pitch_limit = 89.0f;

struct Figures {
    std::uint64_t frames = 0;
    std::uint64_t pitch_sets = 0;
    std::uint64_t asset_loads = 0;
    std::uint64_t most_waits_in_a_load = 0;
    double largest_turn = 0.0;  // degrees, of a set that kept the invariant
};

class Monitor {
public:
    explicit Monitor(standin::Host& host);
    ~Monitor();
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    // After each frame: the globals, the host's errors, the frame's camera
    // sets. Returns false once any invariant has been broken, in this frame
    // or before (see violations()).
    bool check_frame();
    // An asset load that is still waiting (its wait count so far is checked).
    bool asset_load_pending() const { return loading_; }

    bool ok() const { return violations_.empty(); }
    const std::vector<std::string>& violations() const { return violations_; }
    const Figures& figures() const { return figures_; }

private:
    void observe(std::uint64_t hash, const std::uint64_t* args, int count, const std::uint64_t* result);
    void fail(std::string message);
    void check_waits_so_far();

    standin::Host& host_;
    Figures figures_;
    std::vector<std::string> violations_;
    std::size_t host_errors_seen_ = 0;

    // This frame's camera.
    bool pitch_read_ = false;
    float last_pitch_read_ = 0.0f;
    int pitch_sets_in_frame_ = 0;

    // The asset load in progress.
    bool loading_ = false;
    std::uint64_t load_start_waits_ = 0;
};

}  // namespace invariants
