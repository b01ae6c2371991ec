#include "fiber.h"

#include <windows.h>

#include <stdexcept>

namespace standin {

struct Fiber::Impl {
    Fiber* owner = nullptr;
    Entry entry = nullptr;
    LPVOID fiber = nullptr;
    LPVOID host_fiber = nullptr;
    bool converted_thread = false;

    static void WINAPI start(LPVOID param) {
        Impl* self = static_cast<Impl*>(param);
        self->entry();
        self->owner->finished_ = true;
        SwitchToFiber(self->host_fiber);
    }
};

Fiber::Fiber(Entry entry, std::size_t stack_size) : impl_(std::make_unique<Impl>()) {
    impl_->owner = this;
    impl_->entry = entry;
    impl_->fiber = CreateFiber(stack_size, &Impl::start, impl_.get());
    if (impl_->fiber == nullptr) throw std::runtime_error("cannot create the script fiber");
}

Fiber::~Fiber() {
    DeleteFiber(impl_->fiber);
    if (impl_->converted_thread) ConvertFiberToThread();
}

void Fiber::resume() {
    if (finished_ || running_) return;
    if (impl_->host_fiber == nullptr) {
        if (IsThreadAFiber()) {
            impl_->host_fiber = GetCurrentFiber();
        } else {
            impl_->host_fiber = ConvertThreadToFiber(nullptr);
            impl_->converted_thread = true;
        }
    }
    running_ = true;
    SwitchToFiber(impl_->fiber);
    running_ = false;
}

void Fiber::yield() {
    if (!running_) return;
    SwitchToFiber(impl_->host_fiber);
}

}  // namespace standin
