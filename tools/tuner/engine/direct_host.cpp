#include "engine/direct_host.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "host/host_api.h"

namespace tuner {

namespace {

std::unique_ptr<standin::World> world = std::make_unique<standin::World>();

// The invocation being made: its hash and argument slots.
std::uint64_t hash = 0;
std::array<std::uint64_t, 32> args{};
int arg_count = 0;
std::array<std::uint64_t, 4> result{};

[[noreturn]] void no_script(const char* what) {
    std::fprintf(stderr, "tuner: %s: the tuner runs no script\n", what);
    std::abort();
}

}  // namespace

standin::World& direct_world() { return *world; }

void reset_direct_world() { world = std::make_unique<standin::World>(); }

}  // namespace tuner

extern "C" {

void scriptRegister(HMODULE, void (*)()) { tuner::no_script("scriptRegister"); }
void scriptUnregister(HMODULE) { tuner::no_script("scriptUnregister"); }
void scriptWait(DWORD) { tuner::no_script("scriptWait"); }

void nativeInit(UINT64 hash) {
    tuner::hash = hash;
    tuner::arg_count = 0;
}

void nativePush64(UINT64 value) {
    if (tuner::arg_count < static_cast<int>(tuner::args.size())) tuner::args[static_cast<std::size_t>(tuner::arg_count++)] = value;
}

UINT64* nativeCall() {
    tuner::result = {};
    tuner::world->call(tuner::hash, tuner::args.data(), tuner::arg_count, tuner::result.data());
    return reinterpret_cast<UINT64*>(tuner::result.data());
}

int worldGetAllPeds(int* peds, int size) { return tuner::world->get_all_peds(peds, size); }

}  // extern "C"
