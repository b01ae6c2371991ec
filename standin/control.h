#pragma once
// The stand-in host's control interface for a loader in another module (the
// Windows runner drives ScriptHookRDR2.dll through it): a new world from a
// named scenario, frames, the registration state and the log.

#include <cstdint>

#if defined(_WIN32) && defined(BB_STANDIN_DLL)
#define BB_STANDIN_API __declspec(dllexport)
#else
#define BB_STANDIN_API
#endif

extern "C" {
// A fresh host; then the named world (0 when the name is unknown, 1 otherwise).
BB_STANDIN_API int standin_reset(const char* scenario);
BB_STANDIN_API void standin_run_frames(int count);
BB_STANDIN_API int standin_registrations();
BB_STANDIN_API int standin_unregistrations();
BB_STANDIN_API int standin_script_registered();
BB_STANDIN_API void* standin_registered_module();
BB_STANDIN_API std::uint64_t standin_native_count();
BB_STANDIN_API std::uint64_t standin_wait_count();
BB_STANDIN_API int standin_error_count();
BB_STANDIN_API const char* standin_error(int index);
// Writes the log, one format_call line per entry; 0 on failure.
BB_STANDIN_API int standin_write_log(const char* path);
// Drops the log but keeps the world and the registration.
BB_STANDIN_API void standin_clear_log();
}
