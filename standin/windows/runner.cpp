// Loads the stand-in ScriptHookRDR2.dll and the plugin with LoadLibrary,
// drives a named scenario frame by frame, unloads with FreeLibrary, and
// writes the natives the host recorded, in the form the Linux stand-in host
// writes them. Prints its findings as key=value lines on standard output.
//
//   runner run --scenario NAME --frames N --log FILE [--threads]
//              [--rewrite-ini FILE --rewrite-at FRAME]
//   runner cycles --count N --frames F [--baseline DLL]
//   runner version FILE

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct HostControl {
    HMODULE module = nullptr;
    int (*reset)(const char*) = nullptr;
    void (*run_frames)(int) = nullptr;
    int (*registrations)() = nullptr;
    int (*unregistrations)() = nullptr;
    int (*script_registered)() = nullptr;
    void* (*registered_module)() = nullptr;
    std::uint64_t (*native_count)() = nullptr;
    std::uint64_t (*wait_count)() = nullptr;
    int (*error_count)() = nullptr;
    const char* (*error)(int) = nullptr;
    int (*write_log)(const char*) = nullptr;
};

template <typename F>
bool bind(HMODULE module, const char* name, F& target) {
    FARPROC proc = GetProcAddress(module, name);
    if (proc == nullptr) {
        std::fprintf(stderr, "runner: ScriptHookRDR2.dll exports no %s\n", name);
        return false;
    }
    target = reinterpret_cast<F>(reinterpret_cast<void*>(proc));
    return true;
}

bool load_host(HostControl& host) {
    host.module = LoadLibraryA("ScriptHookRDR2.dll");
    if (host.module == nullptr) {
        std::fprintf(stderr, "runner: cannot load ScriptHookRDR2.dll (error %lu)\n", GetLastError());
        return false;
    }
    return bind(host.module, "standin_reset", host.reset) && bind(host.module, "standin_run_frames", host.run_frames) &&
           bind(host.module, "standin_registrations", host.registrations) &&
           bind(host.module, "standin_unregistrations", host.unregistrations) &&
           bind(host.module, "standin_script_registered", host.script_registered) &&
           bind(host.module, "standin_registered_module", host.registered_module) &&
           bind(host.module, "standin_native_count", host.native_count) &&
           bind(host.module, "standin_wait_count", host.wait_count) &&
           bind(host.module, "standin_error_count", host.error_count) && bind(host.module, "standin_error", host.error) &&
           bind(host.module, "standin_write_log", host.write_log);
}

const char* option(int argc, char** argv, const char* name, const char* fallback) {
    for (int i = 2; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
    }
    return fallback;
}

bool flag(int argc, char** argv, const char* name) {
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) return true;
    }
    return false;
}

// Bytes in use on every heap of the process.
std::size_t heap_bytes_in_use() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    std::size_t busy = 0;
    for (HANDLE heap : heaps) {
        if (!HeapLock(heap)) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heap, &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) busy += entry.cbData;
        }
        HeapUnlock(heap);
    }
    return busy;
}

DWORD WINAPI idle_thread(LPVOID) { return 0; }

void print_errors(const HostControl& host) {
    const int errors = host.error_count();
    std::printf("host_errors=%d\n", errors);
    for (int i = 0; i < errors; ++i) std::printf("host_error=%s\n", host.error(i));
}

HMODULE load_plugin() {
    HMODULE plugin = LoadLibraryA("Barrelburst.asi");
    if (plugin == nullptr) std::fprintf(stderr, "runner: cannot load Barrelburst.asi (error %lu)\n", GetLastError());
    return plugin;
}

// Points the plugin's keyboard imports from user32 at the stand-in host's
// answers from its world (exported as standin_ and the function's name), as
// a game's keyboard state would be given to it. Returns how many it patched.
int patch_keyboard_imports(HMODULE plugin, HMODULE host) {
    auto* base = reinterpret_cast<BYTE*>(plugin);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int patched = 0;
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name != 0;
         ++dll) {
        if (_stricmp(reinterpret_cast<const char*>(base + dll->Name), "USER32.dll") != 0) continue;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* by_name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            const std::string answer = std::string("standin_") + reinterpret_cast<const char*>(by_name->Name);
            FARPROC proc = GetProcAddress(host, answer.c_str());
            if (proc == nullptr) continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(proc);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            ++patched;
        }
    }
    return patched;
}

int run(int argc, char** argv) {
    HostControl host;
    if (!load_host(host)) return 2;
    const char* scenario = option(argc, argv, "--scenario", "idle");
    const int frames = std::atoi(option(argc, argv, "--frames", "100"));
    const char* log = option(argc, argv, "--log", "natives.log");
    const char* rewrite_ini = option(argc, argv, "--rewrite-ini", nullptr);
    const int rewrite_at = std::atoi(option(argc, argv, "--rewrite-at", "0"));

    if (host.reset(scenario) == 0) {
        std::fprintf(stderr, "runner: unknown scenario %s\n", scenario);
        return 2;
    }
    HMODULE plugin = load_plugin();
    if (plugin == nullptr) return 2;
    std::printf("registrations_after_load=%d\n", host.registrations());
    std::printf("registered_module_is_plugin=%d\n", host.registered_module() == static_cast<void*>(plugin) ? 1 : 0);
    std::printf("natives_before_first_frame=%llu\n", static_cast<unsigned long long>(host.native_count()));
    std::printf("keyboard_imports_patched=%d\n", patch_keyboard_imports(plugin, host.module));

    if (flag(argc, argv, "--threads")) {
        const std::uint64_t natives = host.native_count();
        HANDLE thread = CreateThread(nullptr, 0, idle_thread, nullptr, 0, nullptr);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        std::printf("registrations_after_thread=%d\n", host.registrations());
        std::printf("unregistrations_after_thread=%d\n", host.unregistrations());
        std::printf("natives_after_thread=%llu\n", static_cast<unsigned long long>(host.native_count() - natives));
    }

    if (rewrite_ini != nullptr && rewrite_at > 0 && rewrite_at < frames) {
        host.run_frames(rewrite_at);
        if (CopyFileA(rewrite_ini, "Barrelburst.ini", FALSE) == 0) {
            std::fprintf(stderr, "runner: cannot write Barrelburst.ini from %s\n", rewrite_ini);
            return 2;
        }
        host.run_frames(frames - rewrite_at);
    } else {
        host.run_frames(frames);
    }
    std::fflush(stdout);
    std::printf("waits=%llu\n", static_cast<unsigned long long>(host.wait_count()));
    std::printf("natives=%llu\n", static_cast<unsigned long long>(host.native_count()));

    FreeLibrary(plugin);
    std::printf("unregistrations_after_unload=%d\n", host.unregistrations());
    std::printf("script_registered_after_unload=%d\n", host.script_registered());
    if (host.write_log(log) == 0) {
        std::fprintf(stderr, "runner: cannot write %s\n", log);
        return 2;
    }
    print_errors(host);
    return host.error_count() == 0 ? 0 : 1;
}

int cycles(int argc, char** argv) {
    HostControl host;
    if (!load_host(host)) return 2;
    const int count = std::atoi(option(argc, argv, "--count", "100"));
    const int frames = std::atoi(option(argc, argv, "--frames", "3"));
    const char* baseline = option(argc, argv, "--baseline", nullptr);

    // The C++ runtime that a statically linked DLL carries leaves a block
    // behind at every unload; a DLL with that runtime and nothing else shows
    // its size.
    long long baseline_per_cycle = 0;
    if (baseline != nullptr) {
        std::size_t before = 0;
        for (int i = 0; i <= count; ++i) {
            HMODULE m = LoadLibraryA(baseline);
            if (m == nullptr) {
                std::fprintf(stderr, "runner: cannot load %s\n", baseline);
                return 2;
            }
            FreeLibrary(m);
            if (i == 0) before = heap_bytes_in_use();
        }
        baseline_per_cycle = (static_cast<long long>(heap_bytes_in_use()) - static_cast<long long>(before)) / count;
    }

    int left_registered = 0;
    std::size_t after_first = 0;
    for (int i = 0; i <= count; ++i) {
        host.reset("idle");
        HMODULE plugin = load_plugin();
        if (plugin == nullptr) return 2;
        patch_keyboard_imports(plugin, host.module);
        host.run_frames(frames);
        FreeLibrary(plugin);
        left_registered += host.script_registered();
        host.reset(nullptr);
        if (i == 0) after_first = heap_bytes_in_use();
    }
    const long long per_cycle =
        (static_cast<long long>(heap_bytes_in_use()) - static_cast<long long>(after_first)) / count;
    std::printf("cycles=%d\n", count);
    std::printf("left_registered=%d\n", left_registered);
    std::printf("heap_growth_per_cycle=%lld\n", per_cycle);
    std::printf("runtime_block_per_cycle=%lld\n", baseline_per_cycle);
    std::printf("plugin_growth_per_cycle=%lld\n", per_cycle - baseline_per_cycle);
    print_errors(host);
    return 0;
}

int version(int argc, char** argv) {
    if (argc < 3) return 2;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(argv[2], &ignored);
    if (size == 0) {
        std::fprintf(stderr, "runner: %s has no version resource\n", argv[2]);
        return 1;
    }
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(argv[2], 0, size, data.data())) return 1;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed != nullptr) {
        std::printf("file_version=%u.%u.%u.%u\n", unsigned{HIWORD(fixed->dwFileVersionMS)}, unsigned{LOWORD(fixed->dwFileVersionMS)},
                    unsigned{HIWORD(fixed->dwFileVersionLS)}, unsigned{LOWORD(fixed->dwFileVersionLS)});
    }
    const char* keys[] = {"ProductName", "ProductVersion", "FileVersion", "OriginalFilename", "FileDescription"};
    for (const char* key : keys) {
        char path[128];
        std::snprintf(path, sizeof path, "\\StringFileInfo\\040904b0\\%s", key);
        char* value = nullptr;
        if (VerQueryValueA(data.data(), path, reinterpret_cast<void**>(&value), &length) && value != nullptr) {
            std::printf("%s=%s\n", key, value);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "run") == 0) return run(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "cycles") == 0) return cycles(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "version") == 0) return version(argc, argv);
    std::fprintf(stderr,
                 "usage: runner run --scenario NAME --frames N --log FILE [--threads] [--rewrite-ini FILE --rewrite-at N]\n"
                 "       runner cycles --count N --frames F [--baseline DLL]\n"
                 "       runner version FILE\n");
    return 2;
}
