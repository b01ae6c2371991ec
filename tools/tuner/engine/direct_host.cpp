#include "engine/direct_host.h"

#include <array>
#include <cstdint>
#include <memory>

#include "host/host_api.h"
#include "host/user32_api.h"
#include "user32_answers.h"

namespace tuner {

namespace {

std::unique_ptr<standin::World> world = std::make_unique<standin::World>();

// The invocation being made: its hash and argument slots.
std::uint64_t hash = 0;
std::array<std::uint64_t, 32> args{};
int arg_count = 0;
std::array<std::uint64_t, 4> result{};

// The run: the frame under way, its last one, and the host's traffic.
int frame = 0;
int last_frame = 0;
bool over = false;
std::uint64_t natives = 0;
std::uint64_t waits = 0;

}  // namespace

standin::World& direct_world() { return *world; }

void reset_direct_world() {
    world = std::make_unique<standin::World>();
    frame = last_frame = 0;
    over = false;
    natives = waits = 0;
}

void begin_direct_run(int last) {
    last_frame = last;
    frame = 1;
    world->begin_frame(frame);
}

int direct_frame() { return frame; }
bool direct_run_over() { return over; }
std::uint64_t direct_natives() { return natives; }
std::uint64_t direct_waits() { return waits; }

}  // namespace tuner

extern "C" {

// The page's plugin is linked in: attaching and detaching it change nothing here.
void scriptRegister(HMODULE, void (*)()) {}
void scriptUnregister(HMODULE) {}

void scriptWait(DWORD) {
    ++tuner::waits;
    if (tuner::frame >= tuner::last_frame) {
        tuner::over = true;
        throw tuner::RunOver{};
    }
    tuner::world->begin_frame(++tuner::frame);
}

void nativeInit(UINT64 hash) {
    tuner::hash = hash;
    tuner::arg_count = 0;
}

void nativePush64(UINT64 value) {
    if (tuner::arg_count < static_cast<int>(tuner::args.size())) tuner::args[static_cast<std::size_t>(tuner::arg_count++)] = value;
}

UINT64* nativeCall() {
    ++tuner::natives;
    tuner::result = {};
    tuner::world->call(tuner::hash, tuner::args.data(), tuner::arg_count, tuner::result.data());
    return reinterpret_cast<UINT64*>(tuner::result.data());
}

int worldGetAllPeds(int* peds, int size) { return tuner::world->get_all_peds(peds, size); }

// The keyboard, from the world's keys.
SHORT GetAsyncKeyState(int virtual_key) { return standin::answer_key_state(*tuner::world, virtual_key); }
HWND GetForegroundWindow() { return reinterpret_cast<HWND>(standin::answer_foreground_window(*tuner::world)); }
DWORD GetWindowThreadProcessId(HWND window, DWORD* process_id) {
    if (process_id != nullptr) {
        *process_id = standin::answer_window_process(reinterpret_cast<std::uintptr_t>(window), GetCurrentProcessId());
    }
    return 1;
}
DWORD GetCurrentProcessId() { return standin::stand_in_process_id; }

}  // extern "C"
