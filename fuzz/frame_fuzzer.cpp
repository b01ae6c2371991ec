// The plugin's frame loop against a world whose answers the fuzzer chooses.
//
// An input is read as a stream of choices (fuzz_input.h): the random seed,
// the settings (one of a few fixed files or the input's own bytes), the
// world's peds and weapons, then, frame by frame, changes to the world
// (peds that vanish, stop or start shooting, new weapons, dictionaries that
// load late or never, ped counts that lie), the keys and controller buttons
// pressed, the game's pause menu and whether its window is in front (the
// settings menu opens with F7 and reads its keys and the frontend buttons)
// and, native by native, whether the
// world answers or the input does: NaN, infinities, huge and negative
// numbers, handles of nothing, strings long or empty, garbage in the upper
// halves of the result slots. After every frame the invariants of
// tests/invariants are checked; any broken one aborts with its description.
//
// A run is bounded: at most max_frames frames and, past the native budget,
// answers that let the plugin finish its frame at once; once the input is used
// up, a few frames more (and the rest of an asset wait in progress).

#include <algorithm>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/joaat.h"
#include "common/rng.h"
#include "config/ini_text.h"
#include "config/key_names.h"
#include "config/settings.h"
#include "config/settings_text.h"
#include "fuzz_input.h"
#include "host.h"
#include "invariants.h"
#include "model/shot_log.h"
#include "native_table.h"
#include "plugin_session.h"
#include "run_support.h"
#include "world.h"

namespace {

// Where Barrelburst.ini is written; the working directory only while an input
// runs (pass -artifact_prefix with an absolute path to keep what a crash
// leaves behind).
std::filesystem::path scratch;

constexpr int max_frames = 1500;
constexpr std::uint64_t native_budget = 40000;
constexpr int tail_frames = 3;
constexpr int max_npcs = 24;
// More peds than the scan's array holds.
constexpr int crowd_size = 1100;
constexpr std::size_t max_entities = 300;
constexpr std::size_t max_ini_size = 4096;

constexpr std::uint64_t get_current_ped_weapon = 0x3A87E44BB9A01D54;
constexpr std::uint64_t ptfx_asset_loaded = 0x65BB72F29138F5D6;

std::string all_classes(const char* section, const char* suffix, const char* value) {
    std::string text = std::string("[") + section + "]\n";
    for (const char* c : {"pistol", "revolver", "rifle", "sniper", "shotgun"}) {
        text += std::string(c) + suffix + "=" + value + "\n";
    }
    return text;
}

std::vector<std::string> fixed_settings() {
    std::vector<std::string> files;
    // No file at all: every default.
    files.emplace_back();
    // Failures on most shots, the overlay, base degradation for NPCs.
    files.push_back("[Main]\nmaximum_chance_for_explosion=1\ndebug_mode=1\n" +
                    all_classes("Min_Dirt_To_Explode", "_min_dirt", "0") +
                    all_classes("Min_Degradation_To_Explode", "_min_degradation", "0.2") +
                    all_classes("Expo_Chance", "_expo_chance_mod", "1") +
                    "[Base_Degradation]\nREL_CIVMALE=0.5,1\nREL_GANG=0.9,0.9\n[NPC]\nenable_explosion=1\n");
    // Effects off, switches that are neither 0 nor 1, damage on.
    files.push_back(
        "[VFX_Effects]\nenable_vfx=0\n[Player]\nenable_explosion=2\nenable_ragdoll=1\ndisable_damage=0\n"
        "[NPC]\nenable_explosion=2\nfiring_increases_dirt=0\ndamage_modifier=1e30\n");
    // Numbers at and past their edges.
    files.push_back("[Main]\nmaximum_chance_for_explosion=1e30\ndebug_mode=1\n" +
                    all_classes("Recoil", "_recoil", "nan,inf") +
                    all_classes("RecoilModifiers", "_recoil_modifiers", "inf,-1e30,nan,0,-1,1e38,3") +
                    all_classes("Min_Dirt_To_Explode", "_min_dirt", "1") +
                    all_classes("Min_Degradation_To_Explode", "_min_degradation", "-5") +
                    all_classes("Expo_Chance", "_expo_chance_mod", "-0.5") +
                    all_classes("Expo_Type", "_expo_type", "-2147483648") +
                    all_classes("Dirt_Increase", "_dirt_modifier", "nan") +
                    "[Player]\ndamage_modifier=-inf\n[Base_Degradation]\nREL_CIVMALE=inf,-inf\n");
    // The play log on, with failures on most shots and the overlay.
    files.push_back("[Main]\nshot_log=1\nmaximum_chance_for_explosion=1\ndebug_mode=1\n" +
                    all_classes("Min_Dirt_To_Explode", "_min_dirt", "0") +
                    all_classes("Expo_Chance", "_expo_chance_mod", "1"));
    // Effect names empty and long, a fast heat.
    files.push_back("[VFX_Effects]\nfx_heat_smoke_dir=\nfx_heat_smoke=" + std::string(300, 's') +
                    "\nfx_expo_dir=" + std::string(200, 'd') + "\nfx_crack=\nfx_crack_scale=nan\n" +
                    all_classes("Recoil", "_recoil", "6,12") + "[Heat]\nenable_smoke_from_heat=1\n");
    // The menu on the controller's combination too, its key one of its own
    // keys (NUMPAD5 accepts), with the play log on and failures on most shots.
    files.push_back("[Main]\nmenu_gamepad=1\nmenu_key=numpad5\nshot_log=1\ndebug_mode=1\n" +
                    all_classes("Expo_Chance", "_expo_chance_mod", "1"));
    return files;
}

// Weapons: each with its type answers; the last two are a weapon no test
// knows and no weapon at all.
struct WeaponChoice {
    GameHash hash;
    std::uint8_t types;
};
const WeaponChoice weapons[] = {
    {standin::joaat("weapon_pistol_volcanic"), standin::type_pistol},
    {standin::joaat("weapon_revolver_cattleman"), standin::type_revolver},
    {standin::joaat("weapon_repeater_carbine"), standin::type_repeater},
    {standin::joaat("weapon_rifle_springfield"), standin::type_rifle | standin::type_sniper},
    {standin::joaat("weapon_shotgun_pump"), standin::type_shotgun},
    {standin::joaat("weapon_everything"), 0x3F},
    {standin::joaat("weapon_lasso"), 0},
    {0, 0},
};
constexpr std::size_t weapon_count = sizeof weapons / sizeof weapons[0];

const char* const dictionary_names[] = {"core", "scr_generic", "generic_textures", ""};

// What a press holds down: a key (a virtual-key code) or a control action.
struct InputChoice {
    int key;
    GameHash button;
};

// The settings menu's own inputs: its key (F7 by default) in a fifth of them,
// its keys on the keyboard and on the number pad, the six frontend buttons
// and RB, which with Left opens the menu when [Main] menu_gamepad is on.
std::vector<InputChoice> menu_inputs() {
    std::vector<InputChoice> inputs(5, InputChoice{key_code("F7"), 0});
    for (const char* key : {"UP", "DOWN", "LEFT", "RIGHT", "RETURN", "BACK", "NUMPAD8", "NUMPAD2", "NUMPAD4",
                            "NUMPAD6", "NUMPAD5", "NUMPAD0"}) {
        inputs.push_back({key_code(key), 0});
    }
    for (const char* button : {"INPUT_FRONTEND_UP", "INPUT_FRONTEND_DOWN", "INPUT_FRONTEND_LEFT",
                               "INPUT_FRONTEND_RIGHT", "INPUT_FRONTEND_ACCEPT", "INPUT_FRONTEND_CANCEL",
                               "INPUT_FRONTEND_RB"}) {
        inputs.push_back({0, joaat(button)});
    }
    return inputs;
}

// Every key a scenario can name: those a menu_key may be, and the menu's own.
std::vector<InputChoice> named_keys() {
    std::vector<InputChoice> keys;
    for (int code = 1; code < 256; ++code) {
        if (key_name(code) != nullptr) keys.push_back({code, 0});
    }
    return keys;
}

constexpr int longest_press = 40;

struct Run {
    fuzz::ByteReader in;
    standin::World* world = nullptr;
    bool drain = false;
    std::string text;  // the last string answer
};

GameHash weapon_of(Run& run) { return weapons[run.in.u8() % weapon_count].hash; }

std::int32_t handle_of(Run& run) {
    const auto size = static_cast<std::int32_t>(run.world->entities().size());
    const std::uint8_t code = run.in.u8();
    // Now and then one past every entity: a handle of nothing.
    if (code == 0xFF) return standin::World::first_entity_handle + size;
    return standin::World::first_entity_handle + code % size;
}

int ped_count(Run& run) {
    static constexpr int counts[] = {-1, 0, -7, 1, 1023, 1024, 1025, 5000, 0x7FFFFFFF, -0x7FFFFFFF - 1};
    return counts[run.in.u8() % (sizeof counts / sizeof counts[0])];
}

const char* string_answer(Run& run, std::uint8_t variant) {
    switch (variant % 4) {
        case 0:
            run.text.clear();
            break;
        case 1:
            run.text.assign(4095, 'x');
            break;
        case 2:
            run.text.assign("~s~%s%n%d<FONT>");
            break;
        default: {
            std::size_t n = run.in.u8();
            const std::uint8_t* bytes = run.in.bytes(n);
            run.text.assign(reinterpret_cast<const char*>(bytes), n);
            break;
        }
    }
    return run.text.c_str();
}

std::uint64_t float_slot(float f) { return std::bit_cast<std::uint32_t>(f); }

// Answers that end the frame quickly: nothing exists, every asset is loaded.
bool drain_answer(std::uint64_t hash, std::uint64_t* result) {
    result[0] = hash == ptfx_asset_loaded ? 1 : 0;
    return true;
}

bool answer(Run& run, std::uint64_t hash, const std::uint64_t* args, int count, std::uint64_t* result) {
    if (run.drain) return drain_answer(hash, result);
    if (run.in.empty()) return false;
    const std::uint8_t tag = run.in.u8();
    if ((tag & 1) == 0) return false;  // the world answers
    const standin::NativeInfo* info = standin::find_native(hash);
    if (info == nullptr) return false;

    if (hash == get_current_ped_weapon && count >= 2 && args[1] != 0) {
        *reinterpret_cast<std::uint32_t*>(static_cast<std::uintptr_t>(args[1])) =
            (tag & 2) != 0 ? run.in.u32() : weapon_of(run);
    }
    switch (info->result) {
        case 'b':
            result[0] = (tag & 6) == 6 ? run.in.u32() : (tag >> 1) & 1;
            break;
        case 'i':
            result[0] = static_cast<std::uint32_t>((tag & 2) != 0 ? handle_of(run) : run.in.integer());
            break;
        case 'h':
            result[0] = (tag & 2) != 0 ? weapon_of(run) : run.in.u32();
            break;
        case 'f':
            result[0] = float_slot(run.in.real());
            break;
        case '3':
            result[0] = float_slot(run.in.real());
            result[1] = float_slot(run.in.real());
            result[2] = float_slot(run.in.real());
            break;
        case 's':
            result[0] = reinterpret_cast<std::uintptr_t>(string_answer(run, static_cast<std::uint8_t>(tag >> 1)));
            break;
        default:
            break;  // the world does nothing
    }
    // The game owes nothing in the upper halves of the slots.
    if ((tag & 0x80) != 0 && info->result != 's') {
        for (int i = 0; i < 3; ++i) result[i] |= 0xA5A5A5A500000000ULL;
    }
    return true;
}

void change_world(Run& run, standin::World& w) {
    if (run.drain || run.in.empty()) return;
    const int changes = run.in.u8() % 4;
    for (int n = 0; n < changes; ++n) {
        switch (run.in.u8() % 13) {
            case 0:
                w.reported_ped_count = ped_count(run);
                break;
            case 1:
                if (standin::Entity* e = w.entity(handle_of(run))) e->exists = false;
                break;
            case 2: {
                standin::Entity& p = w.ped(handle_of(run));
                p.shooting = !p.shooting;
                break;
            }
            case 3:
                w.camera_pitch = run.in.real();
                break;
            case 4:
                w.temperature = run.in.real();
                break;
            case 5: {
                standin::Entity& o = w.object(handle_of(run));
                o.dirt = run.in.real();
                o.degradation = run.in.real();
                break;
            }
            case 6: {
                const char* name = dictionary_names[run.in.u8() % 4];
                const std::uint8_t how = run.in.u8();
                w.set_dictionary(name, static_cast<standin::DictionaryLoad>(how % 3), how / 3);
                break;
            }
            case 7: {
                const std::uint8_t how = run.in.u8();
                w.default_dictionary = {static_cast<standin::DictionaryLoad>(how % 3), how / 3, -1, 0};
                break;
            }
            case 8:
                if (w.entities().size() < max_entities) w.add_armed_ped(weapon_of(run));
                break;
            case 9: {
                const std::int32_t ped = handle_of(run);
                if (w.entities().size() < max_entities && w.ped(ped).is_ped) w.arm(ped, weapon_of(run));
                break;
            }
            case 10: {
                const std::uint8_t flags = run.in.u8();
                w.player_control_on = (flags & 1) == 0;
                w.free_aiming = (flags & 2) != 0;
                w.ped(w.player_ped).dead = (flags & 4) != 0;
                w.ped(w.player_ped).in_water = (flags & 8) != 0;
                w.ped(w.player_ped).shooting = (flags & 16) != 0;
                break;
            }
            case 11:
                w.looped_effect_lifetime = run.in.u8() % 40 - 1;
                break;
            default:
                w.ped(handle_of(run)).in_water = true;
                break;
        }
    }
}

// The frame's inputs: the presses that began before it and still hold, and
// up to three new ones; the game's pause menu and its window in front.
// A zero byte presses nothing, with the game in front and no pause menu.
void press_inputs(Run& run, standin::World& w, int frame) {
    std::erase_if(w.presses, [frame](const standin::InputPress& p) { return p.frame + p.frames <= frame; });
    if (!run.drain && !run.in.empty()) {
        static const std::vector<InputChoice> menu = menu_inputs();
        static const std::vector<InputChoice> keys = named_keys();
        const std::uint8_t flags = run.in.u8();
        w.pause_menu_active = (flags & 0x1C) == 0x1C;
        w.game_in_front = (flags & 0xE0) != 0xE0;
        for (int n = 0; n < (flags & 3); ++n) {
            const std::uint8_t what = run.in.u8();
            const InputChoice choice =
                (what & 0x80) == 0 ? menu[what % menu.size()] : keys[(what & 0x7F) % keys.size()];
            const int frames = 1 + run.in.u8() % longest_press;
            w.presses.push_back({frame, frames, choice.key, choice.button});
        }
    }
    // Without presses the world keeps its keys as they were: nothing is down.
    if (w.presses.empty()) {
        w.keys_down.fill(false);
        w.buttons_down.clear();
    }
}

void build_world(Run& run, standin::World& w) {
    for (const WeaponChoice& weapon : weapons) {
        if (weapon.hash != 0) w.define_weapon(weapon.hash, weapon.types);
    }
    const std::uint8_t shape = run.in.u8();
    w.arm(w.player_ped, weapon_of(run));
    w.ped(w.player_ped).shooting = (shape & 0x40) != 0;
    if ((shape & 0x80) != 0) {
        for (int i = 0; i < crowd_size; ++i) w.add_armed_ped(weapons[0].hash);
        return;
    }
    const int npcs = (shape & 0x3F) % (max_npcs + 1);
    for (int i = 0; i < npcs; ++i) {
        const std::int32_t ped = w.add_armed_ped(weapon_of(run));
        standin::Entity& object = w.weapon_of(ped);
        object.dirt = run.in.real();
        object.degradation = run.in.real();
        const std::uint8_t flags = run.in.u8();
        standin::Entity& p = w.ped(ped);
        p.shooting = (flags & 1) != 0;
        p.human = (flags & 2) == 0;
        p.dead = (flags & 4) != 0;
        p.in_cover = (flags & 8) != 0;
        p.vehicle = (flags & 16) != 0 ? 0x7777 : 0;
        p.relationship_hash = (flags & 32) != 0 ? standin::joaat("REL_CIVMALE") : standin::joaat("REL_GANG");
    }
}

[[noreturn]] void broken(const invariants::Monitor& monitor) {
    for (const std::string& v : monitor.violations()) std::fprintf(stderr, "frame_fuzzer: %s\n", v.c_str());
    std::abort();
}

// Whether after is before with some key lines' values changed and lines
// added (keys at the end of a section, a section at the end of the file):
// every other line of before stands in after, in order, byte for byte, with
// its line end (a last line without one may have gained one).
bool keeps_every_other_line(const std::string& before, const std::string& after) {
    if ((before.rfind(utf8_byte_order_mark, 0) == 0) != (after.rfind(utf8_byte_order_mark, 0) == 0)) return false;
    const std::vector<IniLine> was = ini_lines(before);
    const std::vector<IniLine> is = ini_lines(after);
    std::size_t j = 0;
    for (const IniLine& line : is) {
        if (j < was.size()) {
            const IniLine& old = was[j];
            const bool same_end = line.end == old.end || (old.end.empty() && j + 1 == was.size());
            const bool edited = old.kind == IniLine::key && line.kind == IniLine::key &&
                                line.text.substr(0, line.value_at) == old.text.substr(0, old.value_at);
            if (same_end && (line.text == old.text || edited)) {
                ++j;
                continue;
            }
        }
        if (line.kind != IniLine::key && line.kind != IniLine::section && line.kind != IniLine::blank) return false;
    }
    return j == was.size();
}

// Barrelburst.ini as the run left it: when the menu saved it, it holds what
// the plugin took for the file's text (the edits in force then) and every
// other line of the file it replaced; no new file is left beside it.
void check_saved_settings(const std::string& before) {
    std::ifstream in(scratch / settings_file_name, std::ios::binary);
    const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (std::filesystem::exists(scratch / settings_save_file_name)) {
        std::fprintf(stderr, "frame_fuzzer: %s was left behind\n", settings_save_file_name);
        std::abort();
    }
    if (after == before) return;
    if (after != settings_text.file_text) {
        std::fprintf(stderr, "frame_fuzzer: the saved file is not the text the plugin saved\n");
        std::abort();
    }
    if (!keeps_every_other_line(before, after)) {
        std::fprintf(stderr, "frame_fuzzer: the save changed more than key values:\n--- before\n%s\n--- after\n%s\n",
                     before.c_str(), after.c_str());
        std::abort();
    }
}

// The play log a run left, if any: the header, then whole rows of its
// columns; removed for the next input.
void check_and_remove_shot_log() {
    const std::filesystem::path file = scratch / shot_log_file_name;
    std::ifstream in(file, std::ios::binary);
    if (!in) return;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    std::size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos ||
            (number == 1 ? line != shot_log_header
                         : std::count(line.begin(), line.end(), ',') + 1 !=
                               static_cast<std::ptrdiff_t>(shot_log_columns.size()))) {
            std::fprintf(stderr, "frame_fuzzer: play log line %d is not a whole row: %s\n", number, line.c_str());
            std::abort();
        }
        start = end + 1;
    }
    std::filesystem::remove(file);
}

const std::vector<std::string>& settings_files() {
    static const std::vector<std::string> files = fixed_settings();
    return files;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scratch = invariants::make_scratch_directory("barrelburst-frame-fuzz");
    (void)settings_files();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const invariants::WorkingDirectory in_scratch(scratch);
    Run run{fuzz::ByteReader(data, size), nullptr, false, {}};
    const std::uint32_t seed = run.in.u32();

    const std::uint8_t settings_choice = run.in.u8();
    std::string ini_text;
    if (settings_choice < 0xF0) {
        ini_text = settings_files()[settings_choice % settings_files().size()];
    } else {
        std::size_t n = run.in.u16() % max_ini_size;
        const std::uint8_t* bytes = run.in.bytes(n);
        ini_text.assign(reinterpret_cast<const char*>(bytes), n);
    }
    invariants::write_settings_file(ini_text);

    reset_plugin_state();
    standin::Host& host = standin::Host::get();
    {
        standin::PluginSession session;
        // BB_FUZZ_LOG=1 prints every native of a run (to replay one input).
        static const bool print_log = std::getenv("BB_FUZZ_LOG") != nullptr;
        host.recording = print_log;
        mod_rng.seed(seed);
        standin::World& world = session.world();
        run.world = &world;
        build_world(run, world);
        world.on_frame = [&run](standin::World& w, int frame) {
            change_world(run, w);
            press_inputs(run, w, frame);
        };
        world.answer_override = [&run](std::uint64_t hash, const std::uint64_t* args, int count,
                                       std::uint64_t* result) { return answer(run, hash, args, count, result); };

        invariants::Monitor monitor(host);
        int tail = 0;
        for (int frame = 0; frame < max_frames; ++frame) {
            session.run_frames(1);
            if (!monitor.check_frame()) broken(monitor);
            if (host.native_count() > native_budget) run.drain = true;
            if ((run.drain || run.in.empty()) && !monitor.asset_load_pending() && ++tail > tail_frames) break;
        }
        if (print_log) {
            for (const standin::Call& c : host.log()) std::fprintf(stderr, "%s\n", standin::format_call(c).c_str());
        }
        // The session detaches with the script suspended in its frame, as a
        // game that unloads the plugin would.
    }
    check_and_remove_shot_log();
    check_saved_settings(ini_text);
    if (!host.errors().empty()) {
        for (const std::string& e : host.errors()) std::fprintf(stderr, "frame_fuzzer: host: %s\n", e.c_str());
        std::abort();
    }
    return 0;
}
