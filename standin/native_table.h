#pragma once
// The signature of every native the stand-in world answers: its hash, its
// community name, the kind of each argument slot and of the result. The host
// checks every invocation against it and decodes the slots by it.

#include <cstdint>
#include <span>

namespace standin {

// Argument kinds: 'i' int32, 'b' bool (0 or 1), 'h' hash (uint32), 'f' float,
// 's' string pointer, 'p' out-pointer to a 32-bit value.
// Result kinds: 'v' none, 'i', 'b', 'h', 'f', 's' as above, '3' a Vec3.
struct NativeInfo {
    std::uint64_t hash;
    const char* name;
    const char* args;
    char result;
    // Derived from args: its length, and one bit per argument that is a
    // pointer ('s', 'p') or a boolean ('b').
    int arg_count = 0;
    std::uint32_t pointer_args = 0;
    std::uint32_t bool_args = 0;
};

// The entry for a hash, or nullptr when the world does not know it. A table
// lookup: the host does one for every invocation.
const NativeInfo* find_native(std::uint64_t hash);

}  // namespace standin
