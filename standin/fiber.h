#pragma once
// The script fiber: the plugin's script runs on its own stack, yields inside
// scriptWait and resumes in place with its stack intact. ucontext on Linux,
// Windows fibers on Windows.

#include <cstddef>
#include <memory>

namespace standin {

class Fiber {
public:
    using Entry = void (*)();

    Fiber(Entry entry, std::size_t stack_size);
    ~Fiber();  // discards the fiber's stack without unwinding it
    Fiber(const Fiber&) = delete;
    Fiber& operator=(const Fiber&) = delete;

    // From the host: run the fiber until it yields (or its entry returns).
    void resume();
    // From the fiber: give control back to the host.
    void yield();

    bool running() const { return running_; }
    bool finished() const { return finished_; }

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
    bool running_ = false;
    bool finished_ = false;
};

}  // namespace standin
