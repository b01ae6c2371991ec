#include "fiber.h"

#include <sys/mman.h>
#include <ucontext.h>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BB_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BB_ASAN 1
#endif

#if defined(BB_ASAN)
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#endif

namespace standin {

struct Fiber::Impl {
    Fiber* owner = nullptr;
    Entry entry = nullptr;
    ucontext_t host_context{};
    ucontext_t fiber_context{};
    void* stack = nullptr;
    std::size_t stack_size = 0;
#if defined(BB_ASAN)
    void* host_fake_stack = nullptr;
    void* fiber_fake_stack = nullptr;
    const void* host_stack_bottom = nullptr;
    std::size_t host_stack_size = 0;
#endif

    static void trampoline(unsigned int high, unsigned int low) {
        const std::uintptr_t bits = (static_cast<std::uintptr_t>(high) << 32) | low;
        Impl* self = reinterpret_cast<Impl*>(bits);
#if defined(BB_ASAN)
        __sanitizer_finish_switch_fiber(nullptr, &self->host_stack_bottom, &self->host_stack_size);
#endif
        self->entry();
        self->owner->finished_ = true;
        self->switch_to_host(true);
    }

    void switch_to_host(bool final_switch) {
#if defined(BB_ASAN)
        __sanitizer_start_switch_fiber(final_switch ? nullptr : &fiber_fake_stack, host_stack_bottom,
                                       host_stack_size);
#else
        (void)final_switch;
#endif
        swapcontext(&fiber_context, &host_context);
#if defined(BB_ASAN)
        __sanitizer_finish_switch_fiber(fiber_fake_stack, &host_stack_bottom, &host_stack_size);
#endif
    }
};

Fiber::Fiber(Entry entry, std::size_t stack_size) : impl_(std::make_unique<Impl>()) {
    impl_->owner = this;
    impl_->entry = entry;
    impl_->stack_size = stack_size;
    impl_->stack = mmap(nullptr, stack_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (impl_->stack == MAP_FAILED) throw std::runtime_error("cannot allocate the script fiber's stack");
    getcontext(&impl_->fiber_context);
    impl_->fiber_context.uc_stack.ss_sp = impl_->stack;
    impl_->fiber_context.uc_stack.ss_size = stack_size;
    impl_->fiber_context.uc_link = nullptr;
    const auto bits = reinterpret_cast<std::uintptr_t>(impl_.get());
    makecontext(&impl_->fiber_context, reinterpret_cast<void (*)()>(&Impl::trampoline), 2,
                static_cast<unsigned int>(bits >> 32), static_cast<unsigned int>(bits & 0xFFFFFFFFu));
}

Fiber::~Fiber() {
#if defined(BB_ASAN)
    __asan_unpoison_memory_region(impl_->stack, impl_->stack_size);
#endif
    munmap(impl_->stack, impl_->stack_size);
}

void Fiber::resume() {
    if (finished_ || running_) return;
    running_ = true;
#if defined(BB_ASAN)
    __sanitizer_start_switch_fiber(&impl_->host_fake_stack, impl_->stack, impl_->stack_size);
#endif
    swapcontext(&impl_->host_context, &impl_->fiber_context);
#if defined(BB_ASAN)
    __sanitizer_finish_switch_fiber(impl_->host_fake_stack, nullptr, nullptr);
#endif
    running_ = false;
}

void Fiber::yield() {
    if (!running_) return;
    impl_->switch_to_host(false);
}

}  // namespace standin
