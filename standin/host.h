#pragma once
// The stand-in script host: the seven host functions over a simulated world.
// It runs the registered script on a fiber, resumes it once per frame, records
// every invocation (frame, hash, decoded arguments, result) and every wait,
// and flags invocations the world does not know or that break the
// marshalling rules.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fiber.h"
#include "native_table.h"
#include "world.h"

struct HINSTANCE__;

namespace standin {

// One decoded argument or result.
struct Value {
    char kind = 'v';  // as in NativeInfo: i b h f s p 3 v
    std::int64_t i = 0;
    float f = 0.0f;
    Vec3 v{0.0f, 0.0f, 0.0f};
    std::string s{};
};

// One entry of the log: a native invocation or a host call.
struct Call {
    int frame = 0;
    std::uint64_t hash = 0;  // 0 for host calls
    std::string name;        // community name, or scriptWait / worldGetAllPeds / ...
    std::vector<Value> args;
    Value result;

    bool is(std::uint64_t h) const { return hash == h; }
    bool is_wait() const { return hash == 0 && name == "scriptWait"; }
    // Argument i as an integer, a float or a text.
    std::int64_t int_arg(std::size_t index) const { return args.at(index).i; }
    float float_arg(std::size_t index) const { return args.at(index).f; }
};

// "frame NAME(args) -> result", the form every stand-in host writes.
std::string format_call(const Call& call);
std::string format_value(const Value& value);

class Host {
public:
    static constexpr int result_slots = 4;
    static constexpr int max_arguments = 32;
    static constexpr std::size_t fiber_stack_size = 1 << 20;

    // The one host the seven functions talk to (inline: every native
    // invocation asks for it several times; made on first use).
    static Host& get() {
        Host* host = instance_;
        if (host == nullptr) [[unlikely]] host = &make();
        return *host;
    }

    // Back to a new world: drops the script (without running it further),
    // the log and the errors.
    void reset();

    World& world() { return *world_; }

    // Frames: each resumes the script once, until it waits again.
    void run_frames(int count);
    // Runs body on a fresh script fiber as if it were the script, one frame
    // per wait, until it returns (at most max_frames frames). The registered
    // script, if any, is dropped first. Returns the frames it took.
    int run_script_body(std::function<void()> body, int max_frames = 100000);
    int frame() const { return frame_; }

    // Registration as the plugin's entry made it.
    HINSTANCE__* registered_module() const { return module_; }
    void (*registered_script() const)() { return script_; }
    int registrations() const { return registrations_; }
    int unregistrations() const { return unregistrations_; }
    bool script_registered() const { return script_ != nullptr; }
    bool script_started() const { return fiber_ != nullptr; }

    // Recording: on by default; off, only the counters run.
    bool recording = true;
    const std::vector<Call>& log() const { return log_; }
    void clear_log() { log_.clear(); }
    std::vector<const Call*> calls_of(std::uint64_t hash) const;
    std::vector<const Call*> calls_in_frame(int frame) const;
    std::uint64_t native_count() const { return native_count_; }
    std::uint64_t wait_count() const { return wait_count_; }
    int waits_in_frame(int frame) const;

    // Called after every native the world answered, with the argument slots
    // as pushed and the result slots as the script will read them; for
    // checks that watch the plugin at the host boundary. Cleared by reset().
    std::function<void(std::uint64_t hash, const std::uint64_t* args, int count, const std::uint64_t* result)>
        on_native;

    // Invocations that broke the contract: unknown hashes, wrong argument
    // counts, slots with upper bits set, null strings, calls off the fiber.
    const std::vector<std::string>& errors() const { return errors_; }
    void add_error(std::string message);
    [[gnu::cold]] [[gnu::noinline]] void add_error(const char* message);

    // The seven host functions.
    void script_register(HINSTANCE__* module, void (*script)());
    void script_unregister(HINSTANCE__* module);
    void script_wait(std::uint32_t ms);
    // Inline, as they run for every native and every argument; what breaks
    // the contract is recorded off this path.
    void native_init(std::uint64_t hash) {
        if (pending_) [[unlikely]] init_while_pending();
        pending_ = true;
        pending_hash_ = hash;
        arg_count_ = 0;
    }
    void native_push(std::uint64_t value) {
        if (pending_ && arg_count_ < max_arguments) [[likely]] {
            args_[arg_count_++] = value;
            return;
        }
        push_refused();
    }
    std::uint64_t* native_call();
    int world_get_all_peds(int* peds, int size);

private:
    Host();
    [[gnu::noinline]] static Host& make();
    static inline Host* instance_ = nullptr;
    // The script fiber's entry: the body being run, else the registered script.
    static void script_entry();
    // A host function's call in the log, with its one argument and its result, if any.
    void record_host_call(const char* name, std::int64_t argument, std::optional<std::int64_t> result = {});
    [[gnu::always_inline]] inline bool slots_suspect(const NativeInfo& info) const;
    // Records what is wrong with the pending invocation; false when the world
    // must not answer it.
    [[gnu::cold]] [[gnu::noinline]] bool report_bad_invocation(const NativeInfo* info);
    [[gnu::cold]] [[gnu::noinline]] void init_while_pending();
    [[gnu::cold]] [[gnu::noinline]] void push_refused();
    void drop_script();

    std::unique_ptr<World> world_;
    std::unique_ptr<Fiber> fiber_;
    HINSTANCE__* module_ = nullptr;
    void (*script_)() = nullptr;
    std::function<void()> body_;
    int registrations_ = 0;
    int unregistrations_ = 0;
    int frame_ = 0;

    std::uint64_t pending_hash_ = 0;
    bool pending_ = false;
    int arg_count_ = 0;
    std::uint64_t args_[max_arguments] = {};
    std::uint64_t result_[result_slots] = {};

    std::vector<Call> log_;
    std::vector<std::string> errors_;
    std::uint64_t native_count_ = 0;
    std::uint64_t wait_count_ = 0;
};

}  // namespace standin
