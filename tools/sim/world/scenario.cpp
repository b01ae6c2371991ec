#include "world/scenario.h"

#include <toml++/toml.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <set>
#include <sstream>
#include <system_error>

#include "config/key_names.h"
#include "shared/files.h"
#include "shared/platform.h"

namespace sim {

bool FrameWindows::at(int frame) const {
    if (always) return true;
    for (const FrameRange& r : ranges) {
        if (frame >= r.first && frame <= r.last) return true;
    }
    return false;
}

bool FiringPattern::fires(int frame) const {
    if (frame < start || (stop > 0 && frame > stop)) return false;
    int t = frame - start;
    if (burst > 0) {
        const int cycle = burst * interval + pause;
        t %= cycle;
        if (t >= burst * interval) return false;
    }
    return t % interval == 0;
}

float Scenario::temperature_at(int frame) const {
    if (frame <= temperature.front().frame) return temperature.front().celsius;
    for (std::size_t i = 1; i < temperature.size(); ++i) {
        const TemperaturePoint& a = temperature[i - 1];
        const TemperaturePoint& b = temperature[i];
        if (frame <= b.frame) {
            const double share = static_cast<double>(frame - a.frame) / static_cast<double>(b.frame - a.frame);
            return static_cast<float>(static_cast<double>(a.celsius) +
                                      share * static_cast<double>(b.celsius - a.celsius));
        }
    }
    return temperature.back().celsius;
}

namespace {

struct WeaponKind {
    const char* kind;
    std::uint8_t types;
    const char* name;
};
constexpr std::array<WeaponKind, 7> weapon_kinds = {{
    {"pistol", standin::type_pistol, "WEAPON_PISTOL_VOLCANIC"},
    {"revolver", standin::type_revolver, "WEAPON_REVOLVER_CATTLEMAN"},
    {"repeater", standin::type_repeater, "WEAPON_REPEATER_CARBINE"},
    {"rifle", standin::type_rifle, "WEAPON_RIFLE_SPRINGFIELD"},
    {"sniper", standin::type_sniper, "WEAPON_SNIPERRIFLE_ROLLINGBLOCK"},
    {"shotgun", standin::type_shotgun, "WEAPON_SHOTGUN_PUMP"},
    {"other", 0, "WEAPON_BOW"},
}};

const WeaponKind* find_kind(const std::string& kind) {
    for (const WeaponKind& k : weapon_kinds) {
        if (kind == k.kind) return &k;
    }
    return nullptr;
}

// Reads one scenario file, keeping the file name for the messages.
class Reader {
public:
    explicit Reader(std::filesystem::path file) : file_(std::move(file)) {}

    [[noreturn]] void fail(const toml::node& node, const std::string& message) const {
        fail_at(node.source().begin.line, message);
    }
    [[noreturn]] void fail_at(std::uint32_t line, const std::string& message) const {
        throw ToolError(utf8_of(file_) + ":" + std::to_string(line) + ": " + message);
    }

    // Every key of the table must be one of these.
    void only_keys(const toml::table& table, const std::string& where,
                   std::initializer_list<std::string_view> keys) const {
        for (const auto& [key, value] : table) {
            if (std::find(keys.begin(), keys.end(), key.str()) != keys.end()) continue;
            std::string known;
            for (std::string_view k : keys) known += (known.empty() ? "" : ", ") + std::string(k);
            fail_at(key.source().begin.line,
                    "unknown key '" + std::string(key.str()) + "' in " + where + " (known: " + known + ")");
        }
    }

    const toml::table& table(const toml::node& node, const std::string& what) const {
        if (const toml::table* t = node.as_table()) return *t;
        fail(node, what + " must be a table");
    }

    // A list's items; a failure saying what it must be otherwise.
    const toml::array& list(const toml::node& node, const std::string& must_be) const {
        if (const toml::array* items = node.as_array()) return *items;
        fail(node, must_be);
    }

    std::string text(const toml::node& node, const std::string& what) const {
        if (const auto* s = node.as_string()) return s->get();
        fail(node, what + " must be a text in quotes");
    }

    bool boolean(const toml::node& node, const std::string& what) const {
        if (const auto* b = node.as_boolean()) return b->get();
        fail(node, what + " must be true or false");
    }

    int integer(const toml::node& node, const std::string& what, std::int64_t low, std::int64_t high) const {
        const auto* i = node.as_integer();
        if (i == nullptr) fail(node, what + " must be a whole number");
        const std::int64_t v = i->get();
        if (v < low || v > high) {
            fail(node, what + " must be from " + std::to_string(low) + " to " + std::to_string(high) + ", not " +
                           std::to_string(v));
        }
        return static_cast<int>(v);
    }

    float real(const toml::node& node, const std::string& what, double low, double high) const {
        double v = 0.0;
        if (const auto* i = node.as_integer()) {
            v = static_cast<double>(i->get());
        } else if (const auto* f = node.as_floating_point()) {
            v = f->get();
        } else {
            fail(node, what + " must be a number");
        }
        if (!(v >= low && v <= high)) {
            std::ostringstream range;
            range << what << " must be from " << low << " to " << high << ", not " << v;
            fail(node, range.str());
        }
        return static_cast<float>(v);
    }

    // true / false, or a list of [first, last] frame pairs.
    FrameWindows windows(const toml::node& node, const std::string& what) const {
        FrameWindows w;
        if (const auto* b = node.as_boolean()) {
            w.always = b->get();
            return w;
        }
        const std::string pairs = what + " must be true, false or a list of [first, last] frame pairs";
        for (const toml::node& item : list(node, pairs)) {
            const toml::array* pair = item.as_array();
            if (pair == nullptr || pair->size() != 2) fail(item, what + ": each range is a pair [first, last]");
            FrameRange r;
            r.first = integer(*pair->get(0), what + " first frame", 0, std::numeric_limits<int>::max());
            r.last = integer(*pair->get(1), what + " last frame", 0, std::numeric_limits<int>::max());
            if (r.last < r.first) fail(item, what + ": the last frame comes before the first");
            w.ranges.push_back(r);
        }
        return w;
    }

    WeaponSetup weapon(const toml::node& node, const std::string& what) const {
        const toml::table& t = table(node, what);
        only_keys(t, what, {"kind", "name", "dirt", "degradation"});
        WeaponSetup w;
        const toml::node* kind = t.get("kind");
        if (kind == nullptr) fail(node, what + " needs a kind (pistol, revolver, repeater, rifle, sniper, shotgun, other)");
        w.kind = text(*kind, what + ".kind");
        const WeaponKind* found = find_kind(w.kind);
        if (found == nullptr) {
            fail(*kind, what + ".kind '" + w.kind +
                            "' is not one of pistol, revolver, repeater, rifle, sniper, shotgun, other");
        }
        w.name = found->name;
        if (const toml::node* n = t.get("name")) {
            w.name = text(*n, what + ".name");
            if (w.name.empty()) fail(*n, what + ".name must not be empty");
        }
        if (const toml::node* n = t.get("dirt")) w.dirt = real(*n, what + ".dirt", 0.0, 1.0);
        if (const toml::node* n = t.get("degradation")) w.degradation = real(*n, what + ".degradation", 0.0, 1.0);
        return w;
    }

    FiringPattern firing(const toml::node& node, const std::string& what) const {
        const toml::table& t = table(node, what);
        only_keys(t, what, {"start", "interval", "burst", "pause", "stop"});
        FiringPattern f;
        constexpr int most = std::numeric_limits<int>::max() / 4;
        if (const toml::node* n = t.get("start")) f.start = integer(*n, what + ".start", 1, most);
        if (const toml::node* n = t.get("interval")) f.interval = integer(*n, what + ".interval", 1, 100000);
        if (const toml::node* n = t.get("burst")) f.burst = integer(*n, what + ".burst", 0, 100000);
        if (const toml::node* n = t.get("pause")) f.pause = integer(*n, what + ".pause", 0, 1000000);
        if (const toml::node* n = t.get("stop")) f.stop = integer(*n, what + ".stop", 0, most);
        return f;
    }

    ShooterSetup shooter(const toml::table& t, const std::string& what, bool is_npc) const {
        if (is_npc) {
            only_keys(t, what, {"name", "count", "stagger", "weapon", "firing", "rearm_after", "relationship",
                                "in_vehicle"});
        } else {
            only_keys(t, what, {"weapon", "firing", "rearm_after", "in_water", "free_aiming", "in_cover",
                                "crouching", "combat_movement", "aim_recovery"});
        }
        ShooterSetup s;
        s.name = is_npc ? "npc" : "player";
        if (const toml::node* n = t.get("name")) {
            s.name = text(*n, what + ".name");
            if (s.name.empty()) fail(*n, what + ".name must not be empty");
        }
        if (const toml::node* n = t.get("count")) s.count = integer(*n, what + ".count", 0, 1000);
        if (const toml::node* n = t.get("stagger")) s.stagger = integer(*n, what + ".stagger", 0, 100000);
        if (const toml::node* n = t.get("weapon")) s.weapon = weapon(*n, what + ".weapon");
        if (const toml::node* n = t.get("firing")) s.firing = firing(*n, what + ".firing");
        if (const toml::node* n = t.get("rearm_after")) s.rearm_after = integer(*n, what + ".rearm_after", 0, 1000000);
        if (const toml::node* n = t.get("relationship")) s.relationship = text(*n, what + ".relationship");
        if (const toml::node* n = t.get("in_vehicle")) s.in_vehicle = boolean(*n, what + ".in_vehicle");
        if (const toml::node* n = t.get("in_water")) s.in_water = windows(*n, what + ".in_water");
        if (const toml::node* n = t.get("free_aiming")) s.free_aiming = windows(*n, what + ".free_aiming");
        if (const toml::node* n = t.get("in_cover")) s.in_cover = windows(*n, what + ".in_cover");
        if (const toml::node* n = t.get("crouching")) s.crouching = windows(*n, what + ".crouching");
        if (const toml::node* n = t.get("aim_recovery")) s.aim_recovery = real(*n, what + ".aim_recovery", 0.0, 90.0);
        if (const toml::node* n = t.get("combat_movement")) s.combat_movement = windows(*n, what + ".combat_movement");
        return s;
    }

    DictionarySetup dictionary_load(const toml::table& t, const std::string& what, bool named) const {
        if (named) {
            only_keys(t, what, {"name", "load", "frames"});
        } else {
            only_keys(t, what, {"load", "frames"});
        }
        DictionarySetup d;
        if (named) {
            const toml::node* n = t.get("name");
            if (n == nullptr) fail(t, what + " needs a name");
            d.name = text(*n, what + ".name");
        }
        if (const toml::node* n = t.get("load")) {
            const std::string load = text(*n, what + ".load");
            if (load == "loaded") {
                d.load = standin::DictionaryLoad::loaded;
            } else if (load == "slow") {
                d.load = standin::DictionaryLoad::after_request;
            } else if (load == "never") {
                d.load = standin::DictionaryLoad::never;
            } else {
                fail(*n, what + ".load '" + load + "' is not one of loaded, slow, never");
            }
        }
        if (const toml::node* n = t.get("frames")) d.frames = integer(*n, what + ".frames", 0, 100000);
        return d;
    }

    std::vector<TemperaturePoint> temperature(const toml::node& node) const {
        if (node.is_number()) return {{0, real(node, "world.temperature", -100.0, 100.0)}};
        const toml::array* items = node.as_array();
        if (items == nullptr || items->empty()) {
            fail(node, "world.temperature must be degrees Celsius or a list of [frame, degrees] points");
        }
        std::vector<TemperaturePoint> points;
        for (const toml::node& item : *items) {
            const toml::array* pair = item.as_array();
            if (pair == nullptr || pair->size() != 2) fail(item, "world.temperature: each point is [frame, degrees]");
            TemperaturePoint p;
            p.frame = integer(*pair->get(0), "world.temperature frame", 0, std::numeric_limits<int>::max());
            p.celsius = real(*pair->get(1), "world.temperature degrees", -100.0, 100.0);
            if (!points.empty() && p.frame <= points.back().frame) {
                fail(item, "world.temperature: the frames of the points must rise");
            }
            points.push_back(p);
        }
        return points;
    }

    // [world]: the temperature, the dictionaries, the time a fall takes.
    void world(const toml::node& node, Scenario& s) const {
        const toml::table& w = table(node, "world");
        only_keys(w, "[world]", {"temperature", "effects", "dictionary", "fall_recovery"});
        if (const toml::node* t = w.get("temperature")) s.temperature = temperature(*t);
        if (const toml::node* e = w.get("effects")) {
            s.other_dictionaries = dictionary_load(table(*e, "world.effects"), "world.effects", false);
        }
        if (const toml::node* f = w.get("fall_recovery")) {
            s.fall_recovery = integer(*f, "world.fall_recovery", 0, 100000);
        }
        if (const toml::node* d = w.get("dictionary")) {
            for (const toml::node& item : list(*d, "world.dictionary must be a list of [[world.dictionary]] tables")) {
                s.dictionaries.push_back(
                    dictionary_load(table(item, "[[world.dictionary]]"), "[[world.dictionary]]", true));
            }
        }
    }

    // [[npc]]: groups, each with a name of its own.
    std::vector<ShooterSetup> npcs(const toml::node& node) const {
        std::vector<ShooterSetup> groups;
        std::set<std::string> names;
        for (const toml::node& item : list(node, "npc must be a list of [[npc]] tables")) {
            ShooterSetup npc = shooter(table(item, "[[npc]]"), "[[npc]]", true);
            if (npc.name == "player" || !names.insert(npc.name).second) {
                fail(item, "[[npc]] name '" + npc.name + "' is taken; give each group its own name");
            }
            groups.push_back(std::move(npc));
        }
        return groups;
    }

    // One of ini_changes: a file (read now, beside the scenario) or remove = true.
    IniChange ini_change(const toml::node& item) const {
        const toml::table& t = table(item, "each of ini_changes");
        only_keys(t, "ini_changes", {"frame", "file", "remove"});
        IniChange change;
        const toml::node* frame = t.get("frame");
        if (frame == nullptr) fail(item, "each of ini_changes needs a frame");
        change.frame = integer(*frame, "ini_changes.frame", 1, 100000000);
        const toml::node* from = t.get("file");
        const toml::node* remove = t.get("remove");
        if ((from == nullptr) == (remove == nullptr || !boolean(*remove, "ini_changes.remove"))) {
            fail(item, "each of ini_changes has either a file to rewrite Barrelburst.ini from or remove = true");
        }
        if (from != nullptr) {
            change.source = file_.parent_path() / path_from_utf8(text(*from, "ini_changes.file"));
            try {
                change.text = read_file(change.source, "INI file");
            } catch (const ToolError& error) {
                fail(*from, error.what());
            }
        }
        return change;
    }

    std::vector<IniChange> ini_changes(const toml::node& node) const {
        std::vector<IniChange> changes;
        const char* items =
            "ini_changes must be a list of { frame = N, file = \"FILE\" } or { frame = N, remove = true }";
        for (const toml::node& item : list(node, items)) {
            IniChange change = ini_change(item);
            if (!changes.empty() && change.frame <= changes.back().frame) {
                fail(item, "the frames of ini_changes must rise");
            }
            changes.push_back(std::move(change));
        }
        return changes;
    }

    // One [[press]]: a key or a controller button, down from a frame on for
    // some frames.
    standin::InputPress press(const toml::node& item) const {
        const toml::table& t = table(item, "[[press]]");
        only_keys(t, "[[press]]", {"frame", "frames", "key", "button"});
        standin::InputPress p;
        const toml::node* frame = t.get("frame");
        if (frame == nullptr) fail(item, "[[press]] needs a frame");
        p.frame = integer(*frame, "[[press]].frame", 1, 100000000);
        if (const toml::node* n = t.get("frames")) p.frames = integer(*n, "[[press]].frames", 1, 100000000);
        const toml::node* key = t.get("key");
        const toml::node* button = t.get("button");
        if ((key == nullptr) == (button == nullptr)) {
            fail(item, "[[press]] needs either a key (F7, UP, RETURN, ...) or a button (INPUT_FRONTEND_ACCEPT, ...), "
                       "not both");
        }
        if (key != nullptr) {
            const std::string name = text(*key, "[[press]].key");
            p.key = key_code(name);
            if (p.key == 0) {
                fail(*key, "[[press]].key '" + name +
                               "' is not a key (F1-F24, A-Z, 0-9, NUMPAD0-NUMPAD9, INSERT, DELETE, HOME, END, "
                               "PAGEUP, PAGEDOWN, UP, DOWN, LEFT, RIGHT, RETURN, BACK)");
            }
        } else {
            const std::string name = text(*button, "[[press]].button");
            if (!is_control_action_name(name)) {
                fail(*button, "[[press]].button '" + name +
                                  "' is not a control action: INPUT_ and then upper-case letters, digits and "
                                  "underscores, e.g. INPUT_FRONTEND_ACCEPT");
            }
            p.button = standin::joaat(name.c_str());
        }
        return p;
    }

    std::vector<standin::InputPress> presses(const toml::node& node) const {
        std::vector<standin::InputPress> found;
        for (const toml::node& item : list(node, "press must be a list of [[press]] tables")) {
            found.push_back(press(item));
        }
        return found;
    }

private:
    // INPUT_FRONTEND_UP and the like: the game's names of its control actions.
    static bool is_control_action_name(std::string_view name) {
        constexpr std::string_view prefix = "INPUT_";
        if (!name.starts_with(prefix) || name.size() == prefix.size()) return false;
        return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        });
    }

    std::filesystem::path file_;
};

// The file's TOML; a syntax error as "FILE:LINE:COLUMN: what".
toml::table parse_toml(const std::string& text, const std::filesystem::path& file) {
    try {
        return toml::parse(text, utf8_of(file));
    } catch (const toml::parse_error& error) {
        const toml::source_position at = error.source().begin;
        throw ToolError(utf8_of(file) + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " +
                        std::string(error.description()));
    }
}

}  // namespace

Scenario load_scenario(const std::filesystem::path& file) {
    const toml::table root = parse_toml(read_file(file, "scenario file"), file);
    const Reader read(file);
    Scenario s;
    s.file = file;
    s.name = utf8_of(file.stem());
    read.only_keys(root, "the scenario",
                   {"name", "description", "frames", "seed", "world", "player", "npc", "ini_changes", "press"});
    if (const toml::node* n = root.get("name")) s.name = read.text(*n, "name");
    if (const toml::node* n = root.get("description")) s.description = read.text(*n, "description");
    if (const toml::node* n = root.get("frames")) s.frames = read.integer(*n, "frames", 1, 100000000);
    if (const toml::node* n = root.get("seed")) {
        s.seed = static_cast<std::uint32_t>(read.integer(*n, "seed", 0, std::numeric_limits<std::int32_t>::max()));
    }
    if (const toml::node* n = root.get("world")) read.world(*n, s);
    if (const toml::node* n = root.get("player")) {
        s.player = read.shooter(read.table(*n, "player"), "[player]", false);
        s.player.name = "player";
    }
    if (const toml::node* n = root.get("npc")) s.npcs = read.npcs(*n);
    if (const toml::node* n = root.get("ini_changes")) s.ini_changes = read.ini_changes(*n);
    if (const toml::node* n = root.get("press")) s.presses = read.presses(*n);
    return s;
}

std::filesystem::path shipped_scenario_dir() {
#if defined(BB_SIM_SCENARIO_DIR)
    return BB_SIM_SCENARIO_DIR;
#else
    // A tool that ships in an archive: the "scenarios" folder beside it.
    return executable_directory() / "scenarios";
#endif
}

std::vector<std::pair<std::string, std::filesystem::path>> shipped_scenarios() {
    std::vector<std::pair<std::string, std::filesystem::path>> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(shipped_scenario_dir(), error)) {
        if (entry.path().extension() == ".toml") found.emplace_back(utf8_of(entry.path().stem()), entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::filesystem::path resolve_scenario(const std::string& argument) {
    std::error_code error;
    const std::filesystem::path given = path_from_utf8(argument);
    if (std::filesystem::exists(given, error)) return given;
    std::string name = argument;
    if (name.size() > 5 && name.ends_with(".toml")) name.resize(name.size() - 5);
    if (given.has_parent_path() || name.empty()) {
        throw ToolError("cannot read scenario file '" + argument + "': No such file or directory");
    }
    const std::filesystem::path shipped = shipped_scenario_dir() / path_from_utf8(name + ".toml");
    if (std::filesystem::exists(shipped, error)) return shipped;
    std::string names;
    for (const auto& [n, path] : shipped_scenarios()) names += (names.empty() ? "" : ", ") + n;
    throw ToolError("no scenario file '" + argument + "' and no shipped scenario of that name (shipped: " + names +
                    ")");
}

std::uint8_t weapon_type_bits(const std::string& kind) {
    const WeaponKind* k = find_kind(kind);
    return k != nullptr ? k->types : 0;
}

}  // namespace sim
