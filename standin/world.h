#pragma once
// The simulated world behind the stand-in host: the state the plugin's natives
// read and change, and what they leave behind (explosions, falls, effects,
// drawn texts). The host decodes each invocation and hands it to World::call.
//
// Entity handles are dense (first_entity_handle + index), so a lookup is an
// index and a frame with a thousand armed peds costs no allocation.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/types.h"

namespace standin {

// The game's string hash: Jenkins one-at-a-time over the lower-cased text.
GameHash joaat(const char* text);

// Weapon-type answers, one bit per type test.
enum WeaponType : std::uint8_t {
    type_pistol = 1 << 0,
    type_revolver = 1 << 1,
    type_repeater = 1 << 2,
    type_rifle = 1 << 3,
    type_sniper = 1 << 4,
    type_shotgun = 1 << 5,
};

struct Entity {
    bool exists = true;
    bool is_ped = false;
    Vec3 position{0.0f, 0.0f, 0.0f};
    bool in_water = false;
    // A weapon object held by a ped is where the ped is.
    std::int32_t held_by = 0;

    // Peds.
    bool human = true;
    bool dead = false;
    bool has_weapon = false;
    GameHash weapon_hash = 0;
    std::int32_t weapon_object = 0;
    bool shooting = false;
    bool in_cover = false;
    bool crouching = false;
    int combat_movement = 0;
    GameHash relationship_hash = 0;
    std::int32_t vehicle = 0;
    int inventory_id = 0;
    std::array<int, 10> attach_points{};  // answers of the attach-point query by index

    // Weapon objects.
    float dirt = 0.0f;
    float degradation = 0.0f;
    float burn_level = 0.0f;
    float burn_intensity = 0.0f;
    float burn_opacity = 0.0f;
    bool fragments_broken = false;
    bool cleanup_when_out_of_range = false;
};

enum class DictionaryLoad {
    loaded,         // loaded from the start
    after_request,  // loads load_frames frames after the first request
    never,
};

struct PtfxDictionary {
    DictionaryLoad load = DictionaryLoad::loaded;
    int load_frames = 0;
    int requested_frame = -1;
    int requests = 0;
};

struct TextureDictionary {
    std::string name;
    bool loaded = false;
    int requested_frame = -1;
    int requests = 0;
    int queries = 0;  // times the script asked whether it is loaded
};

struct Explosion {
    int frame;
    Vec3 position;
    int type;
    float damage_scale;
    bool audible;
    bool invisible;
    float camera_shake;
};

enum class FallKind { ragdoll, knocked_out, off_vehicle };

struct Fall {
    int frame;
    std::int32_t ped;
    FallKind kind;
    Vec3 direction;  // ragdoll only
};

struct EffectStart {
    int frame;
    std::string dictionary;  // the asset selected for it
    std::string name;
    std::int32_t entity;
    float scale;
    bool looped;
    int handle;  // looped only
};

struct LoopedEffect {
    std::int32_t entity;
    int end_frame;  // -1: runs until removed
    bool removed;
};

struct WeaponRemoval {
    int frame;
    int inventory_id;
    GameHash item;
    int quantity;
    GameHash reason;
};

// A weapon's degradation set by the script: the wear of a failure.
struct Wear {
    int frame;
    std::int32_t object;
    float degradation;
};

struct BloodPool {
    int frame;
    std::int32_t ped;
};

struct PitchSet {
    int frame;
    float from;  // the camera's pitch before
    float pitch;
};

struct WeaponDrop {
    int frame;
    std::int32_t ped;
    int attach_point;
};

// A key or controller button that a scenario holds down.
struct InputPress {
    int frame = 0;        // the first frame it is down
    int frames = 1;       // how many frames it stays down
    int key = 0;          // a Windows virtual-key code, or 0
    GameHash button = 0;  // a control action (the hash of an INPUT_... name), or 0
};

// A control the script disabled for the frame.
struct DisabledControl {
    int group;
    GameHash action;
    bool related;
};

inline constexpr int drawn_text_capacity = 256;

struct DrawnText {
    int frame;
    char text[drawn_text_capacity];
    float x;
    float y;
    float scale_x;
    float scale_y;
    bool centred;
    std::array<int, 5> shadow;
};

struct DrawnSprite {
    int frame;
    char dictionary[64];
    char name[64];
    float x, y, width, height, heading;
    int red, green, blue, alpha;
};

class World {
public:
    static constexpr std::int32_t first_entity_handle = 0x100;

    World();

    // Entities.
    std::int32_t add_ped(Vec3 position = {0.0f, 0.0f, 0.0f});
    std::int32_t add_weapon_object(Vec3 position = {0.0f, 0.0f, 0.0f});
    // A ped holding a new weapon object of the given weapon; returns the ped.
    std::int32_t add_armed_ped(GameHash weapon, Vec3 position = {0.0f, 0.0f, 0.0f});
    // Gives the ped a new weapon object of this weapon and returns the object.
    std::int32_t arm(std::int32_t ped, GameHash weapon);
    Entity* entity(std::int32_t handle);
    Entity& ped(std::int32_t handle);
    Entity& object(std::int32_t handle);
    // The weapon object the ped holds.
    Entity& weapon_of(std::int32_t ped);
    const std::vector<Entity>& entities() const { return entities_; }

    // The player's ped (created by the constructor) and player state.
    std::int32_t player_ped = 0;
    int player_id = 0;
    bool player_control_on = true;
    bool free_aiming = false;

    // Weapon types by weapon hash; an unlisted hash answers no to every test.
    std::unordered_map<GameHash, std::uint8_t> weapon_types;
    void define_weapon(GameHash weapon, std::uint8_t types) { weapon_types[weapon] = types; }

    // Ambient temperature: a function of position, or one value everywhere.
    float temperature = 20.0f;
    std::function<float(const Vec3&)> temperature_at;

    // Particle assets by dictionary hash; unlisted ones answer by default_dictionary.
    std::unordered_map<GameHash, PtfxDictionary> ptfx_dictionaries;
    PtfxDictionary default_dictionary{};
    void set_dictionary(const char* name, DictionaryLoad load, int load_frames = 0);
    const PtfxDictionary* dictionary(const char* name) const;
    // Frames a looped effect lives by itself; -1 until removed.
    int looped_effect_lifetime = -1;
    // By handle: 1, 2, ... in the order started (entries may be erased; a
    // handle is never given twice).
    std::unordered_map<int, LoopedEffect> looped_effects;

    // Texture dictionaries load this many frames after their request.
    int texture_load_frames = 1;
    std::vector<TextureDictionary> texture_dictionaries;

    float camera_pitch = 0.0f;

    // The keyboard and the controller, as the plugin's user32 calls and the
    // pad natives see them. With presses listed, begin_frame sets the keys
    // and buttons down from them; without, they stay as set.
    bool game_in_front = true;  // the game's window is the foreground window
    std::array<bool, 256> keys_down{};
    std::vector<GameHash> buttons_down;
    bool using_keyboard_and_mouse = true;  // a button press turns it off, a key press on
    bool pause_menu_active = false;
    std::vector<InputPress> presses;
    // The user32 calls (user32_answers.h): each answers from the state above.
    short async_key_state(int virtual_key);
    int foreground_window();  // 1: the game's window, 2: another program's
    std::uint64_t key_state_queries = 0;
    std::uint64_t window_queries = 0;

    // What the natives left behind.
    std::vector<Explosion> explosions;
    std::vector<Fall> falls;
    std::vector<EffectStart> effects;
    std::vector<WeaponRemoval> removals;
    std::vector<WeaponDrop> drops;
    std::vector<Wear> wear;
    std::vector<BloodPool> blood_pools;
    std::vector<int> removed_effects;
    std::vector<DrawnText> texts;      // this frame's texts
    std::vector<DrawnSprite> sprites;  // this frame's sprites
    std::vector<PitchSet> pitch_sets;  // every pitch the camera was set to
    std::vector<DisabledControl> disabled_controls;  // this frame's
    // Frames in which a particle dictionary was asked for and was not loaded
    // (the script then waits for it), each frame once.
    std::vector<int> ptfx_unloaded_frames;
    // Drops what the natives left behind (not the world's state), for runs
    // long enough that the records would grow without bound.
    void clear_records();

    // The world list: every existing ped in creation order, the player included.
    // With reported_ped_count >= 0 the host misreports its count (tests).
    int reported_ped_count = -1;
    int get_all_peds(int* peds, int size) const;

    // Called at the start of every frame, before the script runs.
    std::function<void(World&, int frame)> on_frame;
    // When set, asked first for every native; returning true means it
    // answered (result slots filled) and the world does nothing.
    std::function<bool(std::uint64_t hash, const std::uint64_t* args, int count,
                       std::uint64_t* result)>
        answer_override;

    int frame() const { return frame_; }
    void begin_frame(int frame);

    // Answers one native. args are the raw slots as pushed; result has room
    // for four slots and is zeroed by the caller.
    void call(std::uint64_t hash, const std::uint64_t* args, int count, std::uint64_t* result);

private:
    bool ptfx_loaded(GameHash hash);
    void request_ptfx(GameHash hash);
    TextureDictionary& texture_dictionary(const char* name);
    const char* store_string(const char* text);

    std::vector<Entity> entities_;
    Entity nowhere_{};
    int frame_ = 0;
    std::string selected_asset_;
    // Text style of the next text draw.
    float text_scale_x_ = 1.0f;
    float text_scale_y_ = 1.0f;
    bool text_centred_ = false;
    std::array<int, 5> text_shadow_{};
    // Strings handed to the script by the string native, reused in turn.
    std::array<std::array<char, 1024>, 8> strings_{};
    std::size_t next_string_ = 0;
    int last_looped_handle_ = 0;
};

}  // namespace standin
