#include "control.h"

#include <cstdio>

#include "host.h"
#include "scenarios.h"

extern "C" {

int standin_reset(const char* scenario) {
    standin::Host& host = standin::Host::get();
    host.reset();
    return scenario == nullptr || standin::build_scenario(host.world(), scenario) ? 1 : 0;
}

void standin_run_frames(int count) { standin::Host::get().run_frames(count); }
int standin_registrations() { return standin::Host::get().registrations(); }
int standin_unregistrations() { return standin::Host::get().unregistrations(); }
int standin_script_registered() { return standin::Host::get().script_registered() ? 1 : 0; }
void* standin_registered_module() { return standin::Host::get().registered_module(); }
std::uint64_t standin_native_count() { return standin::Host::get().native_count(); }
std::uint64_t standin_wait_count() { return standin::Host::get().wait_count(); }
int standin_error_count() { return static_cast<int>(standin::Host::get().errors().size()); }

const char* standin_error(int index) {
    const auto& errors = standin::Host::get().errors();
    const auto i = static_cast<std::size_t>(index);
    return index >= 0 && i < errors.size() ? errors[i].c_str() : "";
}

int standin_write_log(const char* path) {
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) return 0;
    for (const standin::Call& call : standin::Host::get().log()) {
        const std::string line = standin::format_call(call) + "\n";
        std::fwrite(line.data(), 1, line.size(), out);
    }
    return std::fclose(out) == 0 ? 1 : 0;
}

void standin_clear_log() { standin::Host::get().clear_log(); }

}  // extern "C"
