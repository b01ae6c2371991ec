// The plugin's configuration loader over arbitrary bytes of Barrelburst.ini:
// no crash, no sanitizer report, and the tables hold exactly the keys the
// loader fills, whatever the file says. The loader alone: it is the code that
// runs in every player's game (`check` has a target of its own).

#include <cstdint>
#include <filesystem>
#include <cstdio>
#include <cstdlib>

#include "config/settings.h"
#include "config/settings_text.h"
#include "run_support.h"

namespace {

// Where Barrelburst.ini is written; the working directory only while an input
// runs (pass -artifact_prefix with an absolute path to keep what a crash
// leaves behind).
std::filesystem::path scratch;

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "config_fuzzer: %s\n", what);
    std::abort();
}

template <typename Table>
bool holds_exactly(const Table& table, const auto& keys) {
    if (table.size() != keys.size()) return false;
    for (const char* key : keys) {
        if (table.find(key) == table.end()) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scratch = invariants::make_scratch_directory("barrelburst-config-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const invariants::WorkingDirectory in_scratch(scratch);
    invariants::write_settings_file(data, size);
    reset_plugin_state();
    load_settings();

    if (!holds_exactly(class_tuning.recoil, tuned_weapon_classes)) broken("recoil table keys");
    if (!holds_exactly(class_tuning.recoil_modifiers, tuned_weapon_classes)) broken("recoil modifier table keys");
    if (!holds_exactly(class_tuning.dirt_modifier, tuned_weapon_classes)) broken("dirt modifier table keys");
    if (!holds_exactly(class_tuning.expo_type, tuned_weapon_classes)) broken("explosion type table keys");
    if (!holds_exactly(shooter_tuning.enable_explosion, shooter_kinds)) broken("enable_explosion table keys");
    if (!holds_exactly(shooter_tuning.damage_modifier, shooter_kinds)) broken("damage_modifier table keys");
    release_effect_names();
    return 0;
}
