#include "world.h"

#include "common/joaat.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstring>

namespace standin {

GameHash joaat(const char* text) { return ::joaat(text); }

namespace {

std::int32_t as_int(std::uint64_t slot) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(slot)); }
std::uint32_t as_hash(std::uint64_t slot) { return static_cast<std::uint32_t>(slot); }
bool as_bool(std::uint64_t slot) { return static_cast<std::uint32_t>(slot) != 0; }
float as_float(std::uint64_t slot) { return std::bit_cast<float>(static_cast<std::uint32_t>(slot)); }
const char* as_string(std::uint64_t slot) { return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(slot)); }

std::uint64_t from_int(std::int32_t v) { return static_cast<std::uint32_t>(v); }
std::uint64_t from_bool(bool v) { return v ? 1u : 0u; }
std::uint64_t from_float(float v) { return std::bit_cast<std::uint32_t>(v); }

float clamp_unit(float v) {
    if (!(v >= 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

void copy_text(char* dst, std::size_t size, const char* src) {
    std::strncpy(dst, src != nullptr ? src : "", size - 1);
    dst[size - 1] = 0;
}

}  // namespace

World::World() {
    player_ped = add_ped();
    ped(player_ped).inventory_id = 1;
    // Room for a frame's draws and disabled controls, the settings menu's
    // included, so that recording them allocates nothing.
    texts.reserve(96);
    sprites.reserve(16);
    disabled_controls.reserve(32);
}

std::int32_t World::add_ped(Vec3 position) {
    const auto handle = static_cast<std::int32_t>(first_entity_handle + entities_.size());
    entities_.push_back(Entity{.is_ped = true, .position = position, .inventory_id = handle});
    return handle;
}

std::int32_t World::add_weapon_object(Vec3 position) {
    entities_.push_back(Entity{.position = position});
    return static_cast<std::int32_t>(first_entity_handle + entities_.size() - 1);
}

std::int32_t World::arm(std::int32_t ped_handle, GameHash weapon) {
    const std::int32_t object_handle = add_weapon_object(ped(ped_handle).position);
    Entity& p = ped(ped_handle);
    p.has_weapon = true;
    p.weapon_hash = weapon;
    p.weapon_object = object_handle;
    object(object_handle).held_by = ped_handle;
    return object_handle;
}

std::int32_t World::add_armed_ped(GameHash weapon, Vec3 position) {
    const std::int32_t handle = add_ped(position);
    arm(handle, weapon);
    return handle;
}

Entity* World::entity(std::int32_t handle) {
    const std::int64_t index = static_cast<std::int64_t>(handle) - first_entity_handle;
    if (index < 0 || index >= static_cast<std::int64_t>(entities_.size())) return nullptr;
    Entity& e = entities_[static_cast<std::size_t>(index)];
    return e.exists ? &e : nullptr;
}

Entity& World::ped(std::int32_t handle) {
    Entity* e = entity(handle);
    return e != nullptr && e->is_ped ? *e : (nowhere_ = Entity{}, nowhere_);
}

Entity& World::object(std::int32_t handle) {
    Entity* e = entity(handle);
    return e != nullptr && !e->is_ped ? *e : (nowhere_ = Entity{}, nowhere_);
}

Entity& World::weapon_of(std::int32_t ped_handle) { return object(ped(ped_handle).weapon_object); }

void World::set_dictionary(const char* name, DictionaryLoad load, int load_frames) {
    PtfxDictionary& d = ptfx_dictionaries[joaat(name)];
    d.load = load;
    d.load_frames = load_frames;
}

const PtfxDictionary* World::dictionary(const char* name) const {
    const auto it = ptfx_dictionaries.find(joaat(name));
    return it == ptfx_dictionaries.end() ? nullptr : &it->second;
}

bool World::ptfx_loaded(GameHash hash) {
    const auto it = ptfx_dictionaries.find(hash);
    const PtfxDictionary& d = it == ptfx_dictionaries.end() ? default_dictionary : it->second;
    return d.load == DictionaryLoad::loaded || (d.load == DictionaryLoad::after_request && d.requested_frame >= 0 &&
                                                frame_ >= d.requested_frame + d.load_frames);
}

void World::request_ptfx(GameHash hash) {
    PtfxDictionary& d = ptfx_dictionaries.try_emplace(hash, default_dictionary).first->second;
    ++d.requests;
    if (d.requested_frame < 0) d.requested_frame = frame_;
}

TextureDictionary& World::texture_dictionary(const char* name) {
    for (TextureDictionary& d : texture_dictionaries) {
        if (d.name == name) return d;
    }
    return texture_dictionaries.emplace_back(TextureDictionary{name, false, -1, 0, 0});
}

const char* World::store_string(const char* text) {
    auto& buffer = strings_[next_string_];
    next_string_ = (next_string_ + 1) % strings_.size();
    copy_text(buffer.data(), buffer.size(), text);
    return buffer.data();
}

int World::get_all_peds(int* peds, int size) const {
    int n = 0;
    for (std::size_t i = 0; i < entities_.size() && n < size; ++i) {
        if (entities_[i].exists && entities_[i].is_ped) {
            peds[n++] = static_cast<int>(first_entity_handle + i);
        }
    }
    return reported_ped_count >= 0 ? reported_ped_count : n;
}

void World::clear_records() {
    explosions.clear();
    falls.clear();
    effects.clear();
    removals.clear();
    drops.clear();
    wear.clear();
    blood_pools.clear();
    removed_effects.clear();
    pitch_sets.clear();
    ptfx_unloaded_frames.clear();
}

void World::begin_frame(int frame) {
    frame_ = frame;
    // The hook still sees the draws of the frame before.
    if (on_frame) on_frame(*this, frame);
    texts.clear();
    sprites.clear();
    disabled_controls.clear();
    if (presses.empty()) return;
    keys_down.fill(false);
    buttons_down.clear();
    for (const InputPress& press : presses) {
        if (frame < press.frame || frame >= press.frame + press.frames) continue;
        if (press.key > 0 && press.key < static_cast<int>(keys_down.size())) {
            keys_down[static_cast<std::size_t>(press.key)] = true;
            using_keyboard_and_mouse = true;
        }
        if (press.button != 0) {
            buttons_down.push_back(press.button);
            using_keyboard_and_mouse = false;
        }
    }
}

short World::async_key_state(int virtual_key) {
    ++key_state_queries;
    if (virtual_key <= 0 || virtual_key >= static_cast<int>(keys_down.size())) return 0;
    return keys_down[static_cast<std::size_t>(virtual_key)] ? static_cast<short>(0x8000) : short{0};
}

// Window 1 is the game's, 2 another program's.
int World::foreground_window() {
    ++window_queries;
    return game_in_front ? 1 : 2;
}

void World::call(std::uint64_t hash, const std::uint64_t* a, int count, std::uint64_t* r) {
    if (answer_override && answer_override(hash, a, count, r)) return;
    switch (hash) {
        case 0x096275889B8E0EE0:  // PLAYER_PED_ID
            r[0] = from_int(player_ped);
            break;
        case 0x217E9DC48139933D:  // PLAYER_ID
            r[0] = from_int(player_id);
            break;
        case 0x7964097FCE4C244B:  // IS_PLAYER_CONTROL_ON
            r[0] = from_bool(as_int(a[0]) == player_id && player_control_on);
            break;
        case 0x936F967D4BE1CE9D:  // IS_PLAYER_FREE_AIMING
            r[0] = from_bool(as_int(a[0]) == player_id && free_aiming);
            break;
        case 0xD42BD6EB2E0F1677:  // DOES_ENTITY_EXIST
            r[0] = from_bool(entity(as_int(a[0])) != nullptr);
            break;
        case 0xA86D5F069399F44D: {  // GET_ENTITY_COORDS
            Vec3 p{0.0f, 0.0f, 0.0f};
            if (Entity* e = entity(as_int(a[0]))) {
                p = e->position;
                if (Entity* holder = entity(e->held_by)) p = holder->position;
            }
            r[0] = from_float(p.x);
            r[1] = from_float(p.y);
            r[2] = from_float(p.z);
            break;
        }
        case 0xDDE5C125AC446723:  // IS_ENTITY_IN_WATER
            if (Entity* e = entity(as_int(a[0]))) r[0] = from_bool(e->in_water);
            break;
        case 0x3317DEDB88C95038:  // IS_PED_DEAD_OR_DYING
            r[0] = from_bool(ped(as_int(a[0])).dead);
            break;
        case 0xB980061DA992779D:  // IS_PED_HUMAN
            if (Entity* e = entity(as_int(a[0]))) r[0] = from_bool(e->is_ped && e->human);
            break;
        case 0x34616828CD07F1A1:  // IS_PED_SHOOTING
            r[0] = from_bool(ped(as_int(a[0])).shooting);
            break;
        case 0x7DBDD04862D95F04:  // GET_PED_RELATIONSHIP_GROUP_HASH
            r[0] = ped(as_int(a[0])).relationship_hash;
            break;
        case 0x60DFD0691A170B88:  // IS_PED_IN_COVER
            r[0] = from_bool(ped(as_int(a[0])).in_cover);
            break;
        case 0xD5FE956C70FF370B:  // GET_PED_CROUCH_MOVEMENT
            r[0] = from_bool(ped(as_int(a[0])).crouching);
            break;
        case 0xDEA92412FCAEB3F5:  // GET_PED_COMBAT_MOVEMENT
            r[0] = from_int(ped(as_int(a[0])).combat_movement);
            break;
        case 0x6094AD011A2EA87D:  // GET_VEHICLE_PED_IS_USING
            r[0] = from_int(ped(as_int(a[0])).vehicle);
            break;
        case 0x45BBCBA77C29A841:  // KNOCK_PED_OFF_VEHICLE
            falls.push_back({frame_, as_int(a[0]), FallKind::off_vehicle, {0.0f, 0.0f, 0.0f}});
            ped(as_int(a[0])).vehicle = 0;
            break;
        case 0xD76632D99E4966C8:  // SET_PED_TO_RAGDOLL_WITH_FALL
            falls.push_back({frame_, as_int(a[0]), FallKind::ragdoll,
                             {as_float(a[4]), as_float(a[5]), as_float(a[6])}});
            r[0] = 1;
            break;
        case 0x3A87E44BB9A01D54: {  // GET_CURRENT_PED_WEAPON
            const Entity& p = ped(as_int(a[0]));
            if (auto* out = reinterpret_cast<std::uint32_t*>(static_cast<std::uintptr_t>(a[1]))) *out = p.weapon_hash;
            r[0] = from_bool(p.has_weapon);
            break;
        }
        case 0x6CA484C9A7377E4F:  // _GET_PED_WEAPON_OBJECT
            r[0] = from_int(ped(as_int(a[0])).has_weapon ? ped(as_int(a[0])).weapon_object : 0);
            break;
        case 0x810E8AE9AFEA7E54:  // _GET_WEAPON_DIRT
            r[0] = from_float(object(as_int(a[0])).dirt);
            break;
        case 0x812CE61DEBCAB948:  // _SET_WEAPON_DIRT
            if (Entity* e = entity(as_int(a[0]))) e->dirt = clamp_unit(as_float(a[1]));
            break;
        case 0x0D78E1097F89E637:  // GET_WEAPON_DEGRADATION
            r[0] = from_float(object(as_int(a[0])).degradation);
            break;
        case 0xA7A57E89E965D839:  // _SET_WEAPON_DEGRADATION
            if (Entity* e = entity(as_int(a[0]))) e->degradation = clamp_unit(as_float(a[1]));
            wear.push_back({frame_, as_int(a[0]), as_float(a[1])});
            break;
        case 0xDDC64F5E31EEDAB6:  // IS_WEAPON_PISTOL
        case 0xC212F1D05A8232BB:  // IS_WEAPON_REVOLVER
        case 0xDDB2578E95EF7138:  // IS_WEAPON_REPEATER
        case 0x0A82317B7EBFC420:  // IS_WEAPON_RIFLE
        case 0x6AD66548840472E5:  // _IS_WEAPON_SNIPER
        case 0xC75386174ECE95D5: {  // IS_WEAPON_SHOTGUN
            std::uint8_t bit = type_shotgun;
            if (hash == 0xDDC64F5E31EEDAB6) bit = type_pistol;
            if (hash == 0xC212F1D05A8232BB) bit = type_revolver;
            if (hash == 0xDDB2578E95EF7138) bit = type_repeater;
            if (hash == 0x0A82317B7EBFC420) bit = type_rifle;
            if (hash == 0x6AD66548840472E5) bit = type_sniper;
            const auto it = weapon_types.find(as_hash(a[0]));
            r[0] = from_bool(it != weapon_types.end() && (it->second & bit) != 0);
            break;
        }
        case 0xCAD4FE9398820D24: {  // _GET_WEAPON_ATTACH_POINT
            const int index = as_int(a[1]);
            if (index >= 0 && index < 10) r[0] = from_int(ped(as_int(a[0])).attach_points[static_cast<std::size_t>(index)]);
            break;
        }
        case 0xCEF4C65DE502D367:  // MAKE_PED_DROP_WEAPON
            drops.push_back({frame_, as_int(a[0]), as_int(a[2])});
            break;
        case 0xB98B78C3768AF6E0: {  // _GET_TEMPERATURE_AT_COORDS
            const Vec3 p{as_float(a[0]), as_float(a[1]), as_float(a[2])};
            r[0] = from_float(temperature_at ? temperature_at(p) : temperature);
            break;
        }
        case 0xFD340785ADF8CFB7:  // GET_HASH_KEY
            r[0] = joaat(as_string(a[0]));
            break;
        case 0xFA925AC00EB830B9:  // VAR_STRING
            r[0] = reinterpret_cast<std::uintptr_t>(store_string(as_string(a[2])));
            break;
        case 0x2797C633DCDBBAC5:  // _SET_OBJECT_BURN_LEVEL
            if (Entity* e = entity(as_int(a[0]))) e->burn_level = as_float(a[1]);
            break;
        case 0xC8E21C1677DC5E6F:  // _SET_OBJECT_BURN_INTENSITY
            if (Entity* e = entity(as_int(a[0]))) e->burn_intensity = as_float(a[1]);
            break;
        case 0x7D7285EFEAB5AF15:  // _SET_OBJECT_BURN_OPACITY
            if (Entity* e = entity(as_int(a[0]))) e->burn_opacity = as_float(a[1]);
            break;
        case 0x8462BE2341A55B6F:  // BREAK_ALL_OBJECT_FRAGMENT_BONES
            if (Entity* e = entity(as_int(a[0]))) e->fragments_broken = true;
            break;
        case 0xADBE4809F19F927A:  // ONLY_CLEAN_UP_OBJECT_WHEN_OUT_OF_RANGE
            if (Entity* e = entity(as_int(a[0]))) e->cleanup_when_out_of_range = true;
            break;
        case 0x13D234A2A3F66E63:  // _INVENTORY_GET_INVENTORY_ID_FROM_PED
            r[0] = from_int(ped(as_int(a[0])).inventory_id);
            break;
        case 0xB4158C8C9A3B5DCE: {  // _INVENTORY_REMOVE_INVENTORY_ITEM_WITH_ITEMID
            const int inventory = as_int(a[0]);
            const GameHash item = as_hash(a[1]);
            removals.push_back({frame_, inventory, item, as_int(a[2]), as_hash(a[3])});
            for (Entity& e : entities_) {
                if (e.exists && e.is_ped && e.inventory_id == inventory && e.weapon_hash == item) {
                    e.has_weapon = false;
                    if (Entity* held = entity(e.weapon_object)) held->held_by = 0;
                    e.weapon_object = 0;
                    r[0] = 1;
                }
            }
            break;
        }
        case 0xF90427F00A495A28:  // TASK_KNOCKED_OUT
            falls.push_back({frame_, as_int(a[0]), FallKind::knocked_out, {0.0f, 0.0f, 0.0f}});
            break;
        case 0xDFCE8CE9F3EBE93F:  // _ADD_BLOOD_POOLS_FOR_PED
            blood_pools.push_back({frame_, as_int(a[0])});
            break;
        case 0x7D6F58F69DA92530:  // ADD_EXPLOSION
            explosions.push_back({frame_, {as_float(a[0]), as_float(a[1]), as_float(a[2])}, as_int(a[3]),
                                  as_float(a[4]), as_bool(a[5]), as_bool(a[6]), as_float(a[7])});
            break;
        case 0x65BB72F29138F5D6:  // HAS_NAMED_PTFX_ASSET_LOADED
            r[0] = from_bool(ptfx_loaded(as_hash(a[0])));
            if (r[0] == 0 && (ptfx_unloaded_frames.empty() || ptfx_unloaded_frames.back() != frame_)) {
                ptfx_unloaded_frames.push_back(frame_);
            }
            break;
        case 0xF2B2353BBC0D4E8F:  // REQUEST_NAMED_PTFX_ASSET
            request_ptfx(as_hash(a[0]));
            break;
        case 0xA10DB07FC234DD12:  // USE_PARTICLE_FX_ASSET
            selected_asset_ = as_string(a[0]);
            break;
        case 0xE6CFE43937061143:  // START_NETWORKED_PARTICLE_FX_NON_LOOPED_ON_ENTITY
        case 0x8F90AB32E1944BDE: {  // START_NETWORKED_PARTICLE_FX_LOOPED_ON_ENTITY
            const bool looped = hash == 0x8F90AB32E1944BDE;
            const int handle = looped ? ++last_looped_handle_ : 0;
            if (looped) {
                const int end_frame = looped_effect_lifetime < 0 ? -1 : frame_ + looped_effect_lifetime;
                looped_effects[handle] = {as_int(a[1]), end_frame, false};
            }
            r[0] = looped ? from_int(handle) : 1;
            effects.push_back({frame_, selected_asset_, as_string(a[0]), as_int(a[1]), as_float(a[8]), looped, handle});
            break;
        }
        case 0x9DD5AFF561E88F2A: {  // DOES_PARTICLE_FX_LOOPED_EXIST
            const auto it = looped_effects.find(as_int(a[0]));
            r[0] = from_bool(it != looped_effects.end() && !it->second.removed &&
                             (it->second.end_frame < 0 || frame_ < it->second.end_frame));
            break;
        }
        case 0x459598F579C98929: {  // REMOVE_PARTICLE_FX
            const auto it = looped_effects.find(as_int(a[0]));
            if (it != looped_effects.end()) it->second.removed = true;
            removed_effects.push_back(as_int(a[0]));
            break;
        }
        case 0xC9884ECADE94CB34: {  // DRAW_SPRITE
            DrawnSprite& s = sprites.emplace_back(DrawnSprite{
                frame_, {}, {}, as_float(a[2]), as_float(a[3]), as_float(a[4]), as_float(a[5]), as_float(a[6]),
                as_int(a[7]), as_int(a[8]), as_int(a[9]), as_int(a[10])});
            copy_text(s.dictionary, sizeof s.dictionary, as_string(a[0]));
            copy_text(s.name, sizeof s.name, as_string(a[1]));
            break;
        }
        case 0x54D6900929CCF162: {  // HAS_STREAMED_TEXTURE_DICT_LOADED
            TextureDictionary& d = texture_dictionary(as_string(a[0]));
            ++d.queries;
            if (!d.loaded && d.requested_frame >= 0 && frame_ >= d.requested_frame + texture_load_frames) d.loaded = true;
            r[0] = from_bool(d.loaded);
            break;
        }
        case 0xC1BA29DF5631B0F8: {  // REQUEST_STREAMED_TEXTURE_DICT
            TextureDictionary& d = texture_dictionary(as_string(a[0]));
            ++d.requests;
            if (d.requested_frame < 0) d.requested_frame = frame_;
            if (texture_load_frames == 0) d.loaded = true;
            break;
        }
        case 0x4170B650590B3B00:  // SET_TEXT_SCALE
            text_scale_x_ = as_float(a[0]);
            text_scale_y_ = as_float(a[1]);
            break;
        case 0xBE5261939FBECB8C:  // SET_TEXT_CENTRE
            text_centred_ = as_bool(a[0]);
            break;
        case 0x1BE39DBAA7263CA5:  // SET_TEXT_DROPSHADOW
            text_shadow_ = {as_int(a[0]), as_int(a[1]), as_int(a[2]), as_int(a[3]), as_int(a[4])};
            break;
        case 0xD79334A4BB99BAD1: {  // _DISPLAY_TEXT
            DrawnText& t = texts.emplace_back(DrawnText{frame_, {}, as_float(a[1]), as_float(a[2]), text_scale_x_,
                                                        text_scale_y_, text_centred_, text_shadow_});
            copy_text(t.text, sizeof t.text, as_string(a[0]));
            // The game's text style holds for one draw.
            text_scale_x_ = text_scale_y_ = 1.0f;
            text_centred_ = false;
            text_shadow_ = {};
            break;
        }
        case 0x99AADEBBA803F827:  // GET_GAMEPLAY_CAM_RELATIVE_PITCH
            r[0] = from_float(camera_pitch);
            break;
        case 0xFB760AF4F537B8BF:  // SET_GAMEPLAY_CAM_RELATIVE_PITCH
            pitch_sets.push_back({frame_, camera_pitch, as_float(a[0])});
            camera_pitch = as_float(a[0]);
            break;
        case 0xFE99B66D079CF6BC:  // DISABLE_CONTROL_ACTION
            disabled_controls.push_back({static_cast<int>(a[0]), static_cast<GameHash>(a[1]), a[2] != 0});
            break;
        case 0xE2587F8CBBD87B1D: {  // IS_DISABLED_CONTROL_PRESSED
            const auto action = static_cast<GameHash>(a[1]);
            r[0] = std::find(buttons_down.begin(), buttons_down.end(), action) != buttons_down.end() ? 1 : 0;
            break;
        }
        case 0xA571D46727E2B718:  // IS_USING_KEYBOARD_AND_MOUSE
            r[0] = using_keyboard_and_mouse ? 1 : 0;
            break;
        case 0x535384D6067BA42E:  // IS_PAUSE_MENU_ACTIVE
            r[0] = pause_menu_active ? 1 : 0;
            break;
        case 0x4F67E8ECA7D3F667:  // GET_GAME_TIMER: milliseconds since the first frame, at 60 frames a second
            r[0] = static_cast<std::uint32_t>(frame_ * 50 / 3);
            break;
        default:
            break;
    }
}

}  // namespace standin
