// The configuration loader over arbitrary bytes of Barrelburst.ini: no crash,
// no sanitizer report, and the tables hold exactly the keys the loader
// fills, whatever the file says. Then `check` on the same bytes, as a player
// runs it on a file someone shared: every finding on a line of the file, and
// its JSON always valid.

#include <cstdint>
#include <filesystem>
#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>

#include "check/check.h"
#include "config/settings.h"
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

// Lines as the reader counts them: LF, CR LF or CR ends one; a last line
// without an end counts too.
int lines_of(const std::string& text) {
    int lines = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        ++lines;
        const std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) break;
        pos = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

void check_the_checker(const std::string& text) {
    const sim::CheckReport report = sim::check_ini_text(text, "Barrelburst.ini");
    const int lines = lines_of(text);
    for (const sim::Finding& f : report.findings) {
        if (f.line < 0 || f.line > lines) broken("a finding on a line outside the file");
        if (f.message.empty()) broken("a finding without a message");
    }
    std::ostringstream json;
    sim::print_check_json(json, report);
    if (!nlohmann::json::accept(json.str())) broken("check's JSON does not parse");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scratch = invariants::make_scratch_directory("barrelburst-config-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const invariants::WorkingDirectory in_scratch(scratch);
    invariants::write_settings_file(data, size);
    invariants::reset_plugin_globals();
    load_settings();

    if (!holds_exactly(class_tuning.recoil, tuned_weapon_classes)) broken("recoil table keys");
    if (!holds_exactly(class_tuning.recoil_modifiers, tuned_weapon_classes)) broken("recoil modifier table keys");
    if (!holds_exactly(class_tuning.dirt_modifier, tuned_weapon_classes)) broken("dirt modifier table keys");
    if (!holds_exactly(class_tuning.expo_type, tuned_weapon_classes)) broken("explosion type table keys");
    if (!holds_exactly(shooter_tuning.enable_explosion, shooter_kinds)) broken("enable_explosion table keys");
    if (!holds_exactly(shooter_tuning.damage_modifier, shooter_kinds)) broken("damage_modifier table keys");
    release_effect_names();

    check_the_checker(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
