#pragma once
// Types shared by every part of the plugin.

#include <cstdint>

using PedHandle = std::int32_t;  // signed 32-bit game handle of a ped
using EntityHandle = std::int32_t;
using GameHash = std::uint32_t;  // unsigned 32-bit game hash

struct Vec3 {
    float x;
    float y;
    float z;
};

// A weapon class is one of these six texts; the first five key every
// per-class table, "unknown" weapons are never evaluated.
using WeaponClass = const char*;
namespace weapon_class {
inline constexpr WeaponClass pistol = "pistol";
inline constexpr WeaponClass revolver = "revolver";
inline constexpr WeaponClass rifle = "rifle";
inline constexpr WeaponClass sniper = "sniper";
inline constexpr WeaponClass shotgun = "shotgun";
inline constexpr WeaponClass unknown = "unknown";
}  // namespace weapon_class

// "Player" or "NPC": the key of every per-shooter table. Inside an
// evaluation it travels as the bool is_npc.
using ShooterKind = const char*;
namespace shooter_kind {
inline constexpr ShooterKind player = "Player";
inline constexpr ShooterKind npc = "NPC";
}  // namespace shooter_kind

inline ShooterKind shooter_kind_of(bool is_npc) {
    return is_npc ? shooter_kind::npc : shooter_kind::player;
}
