#pragma once
// Counts the heap allocations of this process while a window is open: every
// malloc, calloc, realloc, aligned allocation and operator new. Without a
// sanitizer the allocator is replaced (counting wrappers around glibc's own
// functions); under AddressSanitizer, whose allocator must stay, its
// allocation hooks count instead.

#include <cstdint>

namespace alloc_count {

struct Counts {
    std::uint64_t allocations = 0;  // malloc family and operator new alike
    std::uint64_t bytes = 0;
};

void open_window();
Counts close_window();

}  // namespace alloc_count
