#pragma once
// One typed wrapper per game native the plugin calls, named as modders know
// them. Each pushes exactly the declared parameters in order through
// invoke, which applies the argument marshalling.

#include "common/types.h"
#include "host/native_invoke.h"

using Ped = PedHandle;
using Entity = EntityHandle;
using Object = EntityHandle;
using Player = std::int32_t;
using Vehicle = EntityHandle;
using Hash = GameHash;

using native_invoke::invoke;

namespace PLAYER {
inline Ped PLAYER_PED_ID() { return invoke<Ped>(0x096275889B8E0EE0); }
inline Player PLAYER_ID() { return invoke<Player>(0x217E9DC48139933D); }
inline bool IS_PLAYER_CONTROL_ON(Player player) { return invoke<bool>(0x7964097FCE4C244B, player); }
inline bool IS_PLAYER_FREE_AIMING(Player player) { return invoke<bool>(0x936F967D4BE1CE9D, player); }
}  // namespace PLAYER

namespace ENTITY {
inline bool DOES_ENTITY_EXIST(Entity entity) { return invoke<bool>(0xD42BD6EB2E0F1677, entity); }
inline Vec3 GET_ENTITY_COORDS(Entity entity, bool alive, bool real_coords) {
    return invoke<Vec3>(0xA86D5F069399F44D, entity, alive, real_coords);
}
inline bool IS_ENTITY_IN_WATER(Entity entity) { return invoke<bool>(0xDDE5C125AC446723, entity); }
}  // namespace ENTITY

namespace PED {
inline bool IS_PED_DEAD_OR_DYING(Ped ped, bool p1) { return invoke<bool>(0x3317DEDB88C95038, ped, p1); }
inline bool IS_PED_HUMAN(Ped ped) { return invoke<bool>(0xB980061DA992779D, ped); }
inline bool IS_PED_SHOOTING(Ped ped) { return invoke<bool>(0x34616828CD07F1A1, ped); }
inline Hash GET_PED_RELATIONSHIP_GROUP_HASH(Ped ped) { return invoke<Hash>(0x7DBDD04862D95F04, ped); }
inline bool IS_PED_IN_COVER(Ped ped, bool p1, bool p2) { return invoke<bool>(0x60DFD0691A170B88, ped, p1, p2); }
inline bool GET_PED_CROUCH_MOVEMENT(Ped ped) { return invoke<bool>(0xD5FE956C70FF370B, ped); }
inline int GET_PED_COMBAT_MOVEMENT(Ped ped) { return invoke<int>(0xDEA92412FCAEB3F5, ped); }
inline Vehicle GET_VEHICLE_PED_IS_USING(Ped ped) { return invoke<Vehicle>(0x6094AD011A2EA87D, ped); }
inline void KNOCK_PED_OFF_VEHICLE(Ped ped) { invoke(0x45BBCBA77C29A841, ped); }
inline bool SET_PED_TO_RAGDOLL_WITH_FALL(Ped ped, int time_min, int time_max, int ragdoll_type,
                                         float fall_dir_x, float fall_dir_y, float fall_dir_z,
                                         float p7, float p8, float p9, float p10, float p11,
                                         float p12, float p13) {
    return invoke<bool>(0xD76632D99E4966C8, ped, time_min, time_max, ragdoll_type,
                                       fall_dir_x, fall_dir_y, fall_dir_z, p7, p8, p9, p10, p11,
                                       p12, p13);
}
}  // namespace PED

namespace WEAPON {
inline bool GET_CURRENT_PED_WEAPON(Ped ped, Hash* weapon_hash, bool p2, int attach_point, bool p4) {
    return invoke<bool>(0x3A87E44BB9A01D54, ped, weapon_hash, p2, attach_point, p4);
}
inline Object _GET_PED_WEAPON_OBJECT(Ped ped, bool p1) { return invoke<Object>(0x6CA484C9A7377E4F, ped, p1); }
inline float _GET_WEAPON_DIRT(Object weapon_object) { return invoke<float>(0x810E8AE9AFEA7E54, weapon_object); }
inline void _SET_WEAPON_DIRT(Object weapon_object, float level, bool p2) {
    invoke(0x812CE61DEBCAB948, weapon_object, level, p2);
}
inline float GET_WEAPON_DEGRADATION(Object weapon_object) { return invoke<float>(0x0D78E1097F89E637, weapon_object); }
inline void _SET_WEAPON_DEGRADATION(Object weapon_object, float level) {
    invoke(0xA7A57E89E965D839, weapon_object, level);
}
inline bool IS_WEAPON_PISTOL(Hash weapon_hash) { return invoke<bool>(0xDDC64F5E31EEDAB6, weapon_hash); }
inline bool IS_WEAPON_REVOLVER(Hash weapon_hash) { return invoke<bool>(0xC212F1D05A8232BB, weapon_hash); }
inline bool IS_WEAPON_REPEATER(Hash weapon_hash) { return invoke<bool>(0xDDB2578E95EF7138, weapon_hash); }
inline bool IS_WEAPON_RIFLE(Hash weapon_hash) { return invoke<bool>(0x0A82317B7EBFC420, weapon_hash); }
inline bool _IS_WEAPON_SNIPER(Hash weapon_hash) { return invoke<bool>(0x6AD66548840472E5, weapon_hash); }
inline bool IS_WEAPON_SHOTGUN(Hash weapon_hash) { return invoke<bool>(0xC75386174ECE95D5, weapon_hash); }
inline int _GET_WEAPON_ATTACH_POINT(Ped ped, int attach_point) {
    return invoke<int>(0xCAD4FE9398820D24, ped, attach_point);
}
inline Entity MAKE_PED_DROP_WEAPON(Ped ped, bool p1, int attach_point, bool p3, bool p4) {
    return invoke<Entity>(0xCEF4C65DE502D367, ped, p1, attach_point, p3, p4);
}
}  // namespace WEAPON

namespace MISC {
inline float _GET_TEMPERATURE_AT_COORDS(float x, float y, float z) {
    return invoke<float>(0xB98B78C3768AF6E0, x, y, z);
}
inline Hash GET_HASH_KEY(const char* text) { return invoke<Hash>(0xFD340785ADF8CFB7, text); }
// Variadic in the game; the plugin always passes one literal string.
inline const char* VAR_STRING(int flags, const char* type, const char* text) {
    return invoke<const char*>(0xFA925AC00EB830B9, flags, type, text);
}
inline int GET_GAME_TIMER() { return invoke<int>(0x4F67E8ECA7D3F667); }
}  // namespace MISC

namespace OBJECT {
inline void _SET_OBJECT_BURN_LEVEL(Object object, float burn_level, bool affect_ash) {
    invoke(0x2797C633DCDBBAC5, object, burn_level, affect_ash);
}
inline void _SET_OBJECT_BURN_INTENSITY(Object object, float intensity) {
    invoke(0xC8E21C1677DC5E6F, object, intensity);
}
inline void _SET_OBJECT_BURN_OPACITY(Object object, float opacity) { invoke(0x7D7285EFEAB5AF15, object, opacity); }
inline void BREAK_ALL_OBJECT_FRAGMENT_BONES(Object object) { invoke(0x8462BE2341A55B6F, object); }
inline void ONLY_CLEAN_UP_OBJECT_WHEN_OUT_OF_RANGE(Object object) { invoke(0xADBE4809F19F927A, object); }
}  // namespace OBJECT

namespace INVENTORY {
inline int _INVENTORY_GET_INVENTORY_ID_FROM_PED(Ped ped) { return invoke<int>(0x13D234A2A3F66E63, ped); }
inline bool _INVENTORY_REMOVE_INVENTORY_ITEM_WITH_ITEMID(int inventory_id, Hash item, int quantity,
                                                         Hash remove_reason) {
    return invoke<bool>(0xB4158C8C9A3B5DCE, inventory_id, item, quantity,
                                       remove_reason);
}
}  // namespace INVENTORY

namespace TASK {
inline void TASK_KNOCKED_OUT(Ped ped, float p1, bool permanently) { invoke(0xF90427F00A495A28, ped, p1, permanently); }
}  // namespace TASK

namespace FIRE {
inline void ADD_EXPLOSION(float x, float y, float z, int explosion_type, float damage_scale,
                          bool is_audible, bool is_invisible, float camera_shake) {
    invoke(0x7D6F58F69DA92530, x, y, z, explosion_type, damage_scale, is_audible,
                          is_invisible, camera_shake);
}
}  // namespace FIRE

namespace STREAMING {
inline bool HAS_NAMED_PTFX_ASSET_LOADED(Hash fx_name_hash) { return invoke<bool>(0x65BB72F29138F5D6, fx_name_hash); }
inline void REQUEST_NAMED_PTFX_ASSET(Hash fx_name_hash) { invoke(0xF2B2353BBC0D4E8F, fx_name_hash); }
}  // namespace STREAMING

namespace GRAPHICS {
inline void _ADD_BLOOD_POOLS_FOR_PED(Ped ped) { invoke(0xDFCE8CE9F3EBE93F, ped); }
inline void USE_PARTICLE_FX_ASSET(const char* fx_name) { invoke(0xA10DB07FC234DD12, fx_name); }
inline bool DOES_PARTICLE_FX_LOOPED_EXIST(int ptfx_handle) { return invoke<bool>(0x9DD5AFF561E88F2A, ptfx_handle); }
inline void REMOVE_PARTICLE_FX(int ptfx_handle, bool p1) { invoke(0x459598F579C98929, ptfx_handle, p1); }
inline void DRAW_SPRITE(const char* texture_dict, const char* texture_name, float screen_x,
                        float screen_y, float width, float height, float heading, int red,
                        int green, int blue, int alpha, bool p11) {
    invoke(0xC9884ECADE94CB34, texture_dict, texture_name, screen_x, screen_y,
                          width, height, heading, red, green, blue, alpha, p11);
}
}  // namespace GRAPHICS

namespace TXD {
inline bool HAS_STREAMED_TEXTURE_DICT_LOADED(const char* texture_dict) {
    return invoke<bool>(0x54D6900929CCF162, texture_dict);
}
inline void REQUEST_STREAMED_TEXTURE_DICT(const char* texture_dict, bool p1) {
    invoke(0xC1BA29DF5631B0F8, texture_dict, p1);
}
}  // namespace TXD

namespace HUD {
inline void SET_TEXT_SCALE(float scale, float size) { invoke(0x4170B650590B3B00, scale, size); }
inline void SET_TEXT_CENTRE(bool align) { invoke(0xBE5261939FBECB8C, align); }
inline void SET_TEXT_DROPSHADOW(int distance, int r, int g, int b, int a) {
    invoke(0x1BE39DBAA7263CA5, distance, r, g, b, a);
}
inline void _DISPLAY_TEXT(const char* text, float x_pos, float y_pos) {
    invoke(0xD79334A4BB99BAD1, text, x_pos, y_pos);
}
inline bool IS_PAUSE_MENU_ACTIVE() { return invoke<bool>(0x535384D6067BA42E); }
}  // namespace HUD

namespace PAD {
inline void DISABLE_CONTROL_ACTION(int control, Hash action, bool disable_related_actions) {
    invoke(0xFE99B66D079CF6BC, control, action, disable_related_actions);
}
inline bool IS_DISABLED_CONTROL_PRESSED(int control, Hash action) {
    return invoke<bool>(0xE2587F8CBBD87B1D, control, action);
}
inline bool IS_USING_KEYBOARD_AND_MOUSE(int control) { return invoke<bool>(0xA571D46727E2B718, control); }
}  // namespace PAD

namespace CAM {
inline float GET_GAMEPLAY_CAM_RELATIVE_PITCH() { return invoke<float>(0x99AADEBBA803F827); }
inline void SET_GAMEPLAY_CAM_RELATIVE_PITCH(float x, float value2) { invoke(0xFB760AF4F537B8BF, x, value2); }
}  // namespace CAM

// The two particle start natives take the same twelve arguments: effect name,
// entity, offset x/y/z, rotation x/y/z, scale and three axis flags.
namespace GRAPHICS {
inline constexpr std::uint64_t START_NETWORKED_PARTICLE_FX_NON_LOOPED_ON_ENTITY_HASH =
    0xE6CFE43937061143;
inline constexpr std::uint64_t START_NETWORKED_PARTICLE_FX_LOOPED_ON_ENTITY_HASH =
    0x8F90AB32E1944BDE;

inline int start_particle_fx_on_entity(std::uint64_t start_native, const char* effect_name,
                                       Entity entity, float offset_x, float offset_y,
                                       float offset_z, float rot_x, float rot_y, float rot_z,
                                       float scale, bool axis_x, bool axis_y, bool axis_z) {
    return invoke<int>(start_native, effect_name, entity, offset_x, offset_y,
                                      offset_z, rot_x, rot_y, rot_z, scale, axis_x, axis_y, axis_z);
}
inline bool START_NETWORKED_PARTICLE_FX_NON_LOOPED_ON_ENTITY(
    const char* effect_name, Entity entity, float offset_x, float offset_y, float offset_z,
    float rot_x, float rot_y, float rot_z, float scale, bool axis_x, bool axis_y, bool axis_z) {
    return start_particle_fx_on_entity(START_NETWORKED_PARTICLE_FX_NON_LOOPED_ON_ENTITY_HASH,
                                       effect_name, entity, offset_x, offset_y, offset_z, rot_x,
                                       rot_y, rot_z, scale, axis_x, axis_y, axis_z) != 0;
}
inline int START_NETWORKED_PARTICLE_FX_LOOPED_ON_ENTITY(
    const char* effect_name, Entity entity, float offset_x, float offset_y, float offset_z,
    float rot_x, float rot_y, float rot_z, float scale, bool axis_x, bool axis_y, bool axis_z) {
    return start_particle_fx_on_entity(START_NETWORKED_PARTICLE_FX_LOOPED_ON_ENTITY_HASH,
                                       effect_name, entity, offset_x, offset_y, offset_z, rot_x,
                                       rot_y, rot_z, scale, axis_x, axis_y, axis_z);
}
}  // namespace GRAPHICS
