#include "counting_allocator.h"

#include <cstddef>
#include <new>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BB_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BB_ASAN 1
#endif

#if defined(BB_ASAN)
#include <sanitizer/allocator_interface.h>
#endif

namespace {

bool counting = false;
alloc_count::Counts counts;

void count(std::size_t size) {
    if (!counting) return;
    ++counts.allocations;
    counts.bytes += size;
}

}  // namespace

#if defined(BB_ASAN)

namespace {

void malloc_hook(const volatile void*, std::size_t size) { count(size); }
void free_hook(const volatile void*) {}

}  // namespace

namespace alloc_count {

void open_window() {
    static const int installed = __sanitizer_install_malloc_and_free_hooks(&malloc_hook, &free_hook);
    (void)installed;
    counts = {};
    counting = true;
}

}  // namespace alloc_count

#else

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* pointer);

void* malloc(std::size_t size) noexcept {
    count(size);
    return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size) noexcept {
    count(n * size);
    return __libc_calloc(n, size);
}
void* realloc(void* pointer, std::size_t size) noexcept {
    count(size);
    return __libc_realloc(pointer, size);
}
void* memalign(std::size_t alignment, std::size_t size) noexcept {
    count(size);
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    count(size);
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept {
    count(size);
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) return 12;  // ENOMEM
    *out = p;
    return 0;
}
void free(void* pointer) noexcept { __libc_free(pointer); }
}  // extern "C"

namespace {

void* new_block(std::size_t size) {
    count(size);
    void* p = __libc_malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* new_aligned_block(std::size_t size, std::align_val_t alignment) {
    count(size);
    void* p = __libc_memalign(static_cast<std::size_t>(alignment), size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

}  // namespace

void* operator new(std::size_t size) { return new_block(size); }
void* operator new[](std::size_t size) { return new_block(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    count(size);
    return __libc_malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    count(size);
    return __libc_malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size, std::align_val_t alignment) { return new_aligned_block(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return new_aligned_block(size, alignment); }
void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete[](void* p) noexcept { __libc_free(p); }
void operator delete(void* p, std::size_t) noexcept { __libc_free(p); }
void operator delete[](void* p, std::size_t) noexcept { __libc_free(p); }
void operator delete(void* p, std::align_val_t) noexcept { __libc_free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { __libc_free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { __libc_free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { __libc_free(p); }

namespace alloc_count {

void open_window() {
    counts = {};
    counting = true;
}

}  // namespace alloc_count

#endif

namespace alloc_count {

Counts close_window() {
    counting = false;
    return counts;
}

}  // namespace alloc_count
