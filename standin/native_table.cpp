#include "native_table.h"

#include <array>
#include <cstddef>
#include <string>

namespace standin {
namespace {

// The signatures, with the fields derived from args filled in.
constexpr auto table = [] {
    auto all = std::to_array<NativeInfo>({
        {0x096275889B8E0EE0, "PLAYER::PLAYER_PED_ID", "", 'i'},
        {0x217E9DC48139933D, "PLAYER::PLAYER_ID", "", 'i'},
        {0x7964097FCE4C244B, "PLAYER::IS_PLAYER_CONTROL_ON", "i", 'b'},
        {0x936F967D4BE1CE9D, "PLAYER::IS_PLAYER_FREE_AIMING", "i", 'b'},
        {0xD42BD6EB2E0F1677, "ENTITY::DOES_ENTITY_EXIST", "i", 'b'},
        {0xA86D5F069399F44D, "ENTITY::GET_ENTITY_COORDS", "ibb", '3'},
        {0xDDE5C125AC446723, "ENTITY::IS_ENTITY_IN_WATER", "i", 'b'},
        {0x3317DEDB88C95038, "PED::IS_PED_DEAD_OR_DYING", "ib", 'b'},
        {0xB980061DA992779D, "PED::IS_PED_HUMAN", "i", 'b'},
        {0x34616828CD07F1A1, "PED::IS_PED_SHOOTING", "i", 'b'},
        {0x7DBDD04862D95F04, "PED::GET_PED_RELATIONSHIP_GROUP_HASH", "i", 'h'},
        {0x60DFD0691A170B88, "PED::IS_PED_IN_COVER", "ibb", 'b'},
        {0xD5FE956C70FF370B, "PED::GET_PED_CROUCH_MOVEMENT", "i", 'b'},
        {0xDEA92412FCAEB3F5, "PED::GET_PED_COMBAT_MOVEMENT", "i", 'i'},
        {0x6094AD011A2EA87D, "PED::GET_VEHICLE_PED_IS_USING", "i", 'i'},
        {0x45BBCBA77C29A841, "PED::KNOCK_PED_OFF_VEHICLE", "i", 'v'},
        {0xD76632D99E4966C8, "PED::SET_PED_TO_RAGDOLL_WITH_FALL", "iiiiffffffffff", 'b'},
        {0x3A87E44BB9A01D54, "WEAPON::GET_CURRENT_PED_WEAPON", "ipbib", 'b'},
        {0x6CA484C9A7377E4F, "WEAPON::_GET_PED_WEAPON_OBJECT", "ib", 'i'},
        {0x810E8AE9AFEA7E54, "WEAPON::_GET_WEAPON_DIRT", "i", 'f'},
        {0x812CE61DEBCAB948, "WEAPON::_SET_WEAPON_DIRT", "ifb", 'v'},
        {0x0D78E1097F89E637, "WEAPON::GET_WEAPON_DEGRADATION", "i", 'f'},
        {0xA7A57E89E965D839, "WEAPON::_SET_WEAPON_DEGRADATION", "if", 'v'},
        {0xDDC64F5E31EEDAB6, "WEAPON::IS_WEAPON_PISTOL", "h", 'b'},
        {0xC212F1D05A8232BB, "WEAPON::IS_WEAPON_REVOLVER", "h", 'b'},
        {0xDDB2578E95EF7138, "WEAPON::IS_WEAPON_REPEATER", "h", 'b'},
        {0x0A82317B7EBFC420, "WEAPON::IS_WEAPON_RIFLE", "h", 'b'},
        {0x6AD66548840472E5, "WEAPON::_IS_WEAPON_SNIPER", "h", 'b'},
        {0xC75386174ECE95D5, "WEAPON::IS_WEAPON_SHOTGUN", "h", 'b'},
        {0xCAD4FE9398820D24, "WEAPON::_GET_WEAPON_ATTACH_POINT", "ii", 'i'},
        {0xCEF4C65DE502D367, "WEAPON::MAKE_PED_DROP_WEAPON", "ibibb", 'i'},
        {0xB98B78C3768AF6E0, "MISC::_GET_TEMPERATURE_AT_COORDS", "fff", 'f'},
        {0xFD340785ADF8CFB7, "MISC::GET_HASH_KEY", "s", 'h'},
        {0xFA925AC00EB830B9, "MISC::VAR_STRING", "iss", 's'},
        {0x2797C633DCDBBAC5, "OBJECT::_SET_OBJECT_BURN_LEVEL", "ifb", 'v'},
        {0xC8E21C1677DC5E6F, "OBJECT::_SET_OBJECT_BURN_INTENSITY", "if", 'v'},
        {0x7D7285EFEAB5AF15, "OBJECT::_SET_OBJECT_BURN_OPACITY", "if", 'v'},
        {0x8462BE2341A55B6F, "OBJECT::BREAK_ALL_OBJECT_FRAGMENT_BONES", "i", 'v'},
        {0xADBE4809F19F927A, "OBJECT::ONLY_CLEAN_UP_OBJECT_WHEN_OUT_OF_RANGE", "i", 'v'},
        {0x13D234A2A3F66E63, "INVENTORY::_INVENTORY_GET_INVENTORY_ID_FROM_PED", "i", 'i'},
        {0xB4158C8C9A3B5DCE, "INVENTORY::_INVENTORY_REMOVE_INVENTORY_ITEM_WITH_ITEMID", "ihih", 'b'},
        {0xF90427F00A495A28, "TASK::TASK_KNOCKED_OUT", "ifb", 'v'},
        {0xDFCE8CE9F3EBE93F, "GRAPHICS::_ADD_BLOOD_POOLS_FOR_PED", "i", 'v'},
        {0x7D6F58F69DA92530, "FIRE::ADD_EXPLOSION", "fffifbbf", 'v'},
        {0x65BB72F29138F5D6, "STREAMING::HAS_NAMED_PTFX_ASSET_LOADED", "h", 'b'},
        {0xF2B2353BBC0D4E8F, "STREAMING::REQUEST_NAMED_PTFX_ASSET", "h", 'v'},
        {0xA10DB07FC234DD12, "GRAPHICS::USE_PARTICLE_FX_ASSET", "s", 'v'},
        {0xE6CFE43937061143, "GRAPHICS::START_NETWORKED_PARTICLE_FX_NON_LOOPED_ON_ENTITY", "sifffffffbbb", 'b'},
        {0x8F90AB32E1944BDE, "GRAPHICS::START_NETWORKED_PARTICLE_FX_LOOPED_ON_ENTITY", "sifffffffbbb", 'i'},
        {0x9DD5AFF561E88F2A, "GRAPHICS::DOES_PARTICLE_FX_LOOPED_EXIST", "i", 'b'},
        {0x459598F579C98929, "GRAPHICS::REMOVE_PARTICLE_FX", "ib", 'v'},
        {0xC9884ECADE94CB34, "GRAPHICS::DRAW_SPRITE", "ssfffffiiiib", 'v'},
        {0x54D6900929CCF162, "TXD::HAS_STREAMED_TEXTURE_DICT_LOADED", "s", 'b'},
        {0xC1BA29DF5631B0F8, "TXD::REQUEST_STREAMED_TEXTURE_DICT", "sb", 'v'},
        {0x4170B650590B3B00, "HUD::SET_TEXT_SCALE", "ff", 'v'},
        {0xBE5261939FBECB8C, "HUD::SET_TEXT_CENTRE", "b", 'v'},
        {0x1BE39DBAA7263CA5, "HUD::SET_TEXT_DROPSHADOW", "iiiii", 'v'},
        {0xD79334A4BB99BAD1, "HUD::_DISPLAY_TEXT", "sff", 'v'},
        {0x99AADEBBA803F827, "CAM::GET_GAMEPLAY_CAM_RELATIVE_PITCH", "", 'f'},
        {0xFB760AF4F537B8BF, "CAM::SET_GAMEPLAY_CAM_RELATIVE_PITCH", "ff", 'v'},
        {0xFE99B66D079CF6BC, "PAD::DISABLE_CONTROL_ACTION", "ihb", 'v'},
        {0xE2587F8CBBD87B1D, "PAD::IS_DISABLED_CONTROL_PRESSED", "ih", 'b'},
        {0xA571D46727E2B718, "PAD::IS_USING_KEYBOARD_AND_MOUSE", "i", 'b'},
        {0x535384D6067BA42E, "HUD::IS_PAUSE_MENU_ACTIVE", "", 'b'},
        {0x4F67E8ECA7D3F667, "MISC::GET_GAME_TIMER", "", 'i'},
    });
    for (NativeInfo& n : all) {
        n.arg_count = static_cast<int>(std::char_traits<char>::length(n.args));
        for (int i = 0; i < n.arg_count; ++i) {
            const std::uint32_t bit = std::uint32_t{1} << i;
            if (n.args[i] == 's' || n.args[i] == 'p') n.pointer_args |= bit;
            if (n.args[i] == 'b') n.bool_args |= bit;
        }
    }
    return all;
}();

// Open addressing over the hashes: a slot holds an index into table, or
// empty_slot; a collision moves on to the next slot.
constexpr std::size_t slot_bits = 8;
constexpr std::size_t slot_count = std::size_t{1} << slot_bits;
constexpr std::uint8_t empty_slot = 0xFF;
static_assert(table.size() < slot_count / 2 && table.size() < empty_slot);

constexpr std::size_t slot_of(std::uint64_t hash) {
    return static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15ULL) >> (64 - slot_bits));
}

constexpr auto make_slots() {
    std::array<std::uint8_t, slot_count> slots{};
    slots.fill(empty_slot);
    for (std::size_t i = 0; i < table.size(); ++i) {
        std::size_t s = slot_of(table[i].hash);
        while (slots[s] != empty_slot) s = (s + 1) % slot_count;
        slots[s] = static_cast<std::uint8_t>(i);
    }
    return slots;
}
constexpr auto slots = make_slots();

}  // namespace

const NativeInfo* find_native(std::uint64_t hash) {
    for (std::size_t s = slot_of(hash);; s = (s + 1) % slot_count) {
        const std::uint8_t index = slots[s];
        if (index == empty_slot) return nullptr;
        if (table[index].hash == hash) return &table[index];
    }
}

}  // namespace standin
