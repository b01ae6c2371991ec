#include "invariants.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "host/on_screen.h"
#include "model/barrel.h"

namespace invariants {

namespace {

constexpr std::uint64_t get_pitch = 0x99AADEBBA803F827;
constexpr std::uint64_t set_pitch = 0xFB760AF4F537B8BF;
constexpr std::uint64_t request_ptfx_asset = 0xF2B2353BBC0D4E8F;
constexpr std::uint64_t ptfx_asset_loaded = 0x65BB72F29138F5D6;

// Rounding of a sum of two floats near 89 degrees, far below any real turn.
constexpr double turn_tolerance = 1e-5;

float slot_float(std::uint64_t slot) { return std::bit_cast<float>(static_cast<std::uint32_t>(slot)); }

std::string text_of(float f) { return std::to_string(static_cast<double>(f)); }

bool in_unit(float x) { return x >= 0.0f && x <= 1.0f; }

bool terminated(const char (&text)[on_screen_text_size]) {
    return std::memchr(text, 0, on_screen_text_size) != nullptr;
}

}  // namespace

Monitor::Monitor(standin::Host& host) : host_(host) {
    host_errors_seen_ = host_.errors().size();
    host_.on_native = [this](std::uint64_t hash, const std::uint64_t* args, int count, const std::uint64_t* result) {
        observe(hash, args, count, result);
    };
}

Monitor::~Monitor() { host_.on_native = nullptr; }

void Monitor::fail(std::string message) {
    violations_.push_back("frame " + std::to_string(host_.frame()) + ": " + std::move(message));
}

void Monitor::check_waits_so_far() {
    const std::uint64_t waits = host_.wait_count() - load_start_waits_;
    if (waits > figures_.most_waits_in_a_load) figures_.most_waits_in_a_load = waits;
    if (waits > static_cast<std::uint64_t>(max_waits_per_asset_load)) {
        fail("an asset load made " + std::to_string(waits) + " waits");
        loading_ = false;  // reported once
    }
}

void Monitor::observe(std::uint64_t hash, const std::uint64_t* args, int count, const std::uint64_t* result) {
    if (loading_) {
        check_waits_so_far();
        if (hash != ptfx_asset_loaded) loading_ = false;
    }
    if (hash == request_ptfx_asset) {
        loading_ = true;
        load_start_waits_ = host_.wait_count();
        ++figures_.asset_loads;
    } else if (hash == get_pitch) {
        pitch_read_ = true;
        last_pitch_read_ = slot_float(result[0]);
    } else if (hash == set_pitch && count >= 1) {
        ++figures_.pitch_sets;
        ++pitch_sets_in_frame_;
        const float pitch = slot_float(args[0]);
        if (pitch_sets_in_frame_ > 1) fail("the camera pitch was set twice in one frame");
        if (!pitch_read_) {
            fail("the camera pitch was set without being read in the frame");
            return;
        }
        if (!(pitch >= -pitch_limit && pitch <= pitch_limit)) {
            fail("the camera pitch was set to " + text_of(pitch) + " after a read of " + text_of(last_pitch_read_));
            return;
        }
        // A pitch read that is not a number says nothing of where the camera
        // is: any set after it may turn the camera by any amount.
        const float read = last_pitch_read_;
        if (std::isnan(read)) {
            fail("the camera pitch was set to " + text_of(pitch) + " after a read that is not a number");
            return;
        }
        // The pitch read, in the range the plugin keeps the camera in.
        double from = static_cast<double>(read);
        if (from > static_cast<double>(pitch_limit)) from = static_cast<double>(pitch_limit);
        if (from < -static_cast<double>(pitch_limit)) from = -static_cast<double>(pitch_limit);
        const double turn = std::fabs(static_cast<double>(pitch) - from);
        if (turn > static_cast<double>(max_pitch_turn) + turn_tolerance) {
            fail("the camera turned by " + std::to_string(turn) + " degrees (read " + text_of(read) + ", set " +
                 text_of(pitch) + ")");
        } else if (turn > figures_.largest_turn) {
            figures_.largest_turn = turn;
        }
    }
}

bool Monitor::check_frame() {
    ++figures_.frames;

    if (!in_unit(barrel.barrel_heat)) fail("barrel.barrel_heat is " + text_of(barrel.barrel_heat));
    if (!in_unit(barrel.barrel_cold)) fail("barrel.barrel_cold is " + text_of(barrel.barrel_cold));
    if (barrel.barrel_heat > 0.0f && barrel.barrel_cold > 0.0f) {
        fail("barrel.barrel_heat " + text_of(barrel.barrel_heat) + " and barrel.barrel_cold " + text_of(barrel.barrel_cold) + " both above 0");
    }
    if (!terminated(on_screen.notification_text)) fail("on_screen.notification_text is not terminated within 128 bytes");
    if (!terminated(on_screen.debug_overlay_text)) fail("on_screen.debug_overlay_text is not terminated within 128 bytes");
    if (loading_) check_waits_so_far();

    const auto& errors = host_.errors();
    for (; host_errors_seen_ < errors.size(); ++host_errors_seen_) fail("host: " + errors[host_errors_seen_]);

    pitch_read_ = false;
    pitch_sets_in_frame_ = 0;
    return violations_.empty();
}

}  // namespace invariants
