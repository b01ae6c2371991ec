#include "host.h"

#include <algorithm>
#include <bit>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace standin {

void Host::script_entry() {
    Host& host = Host::get();
    if (host.body_) {
        host.body_();
    } else if (host.script_ != nullptr) {
        host.script_();
    }
}

namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default: out += c; break;
        }
    }
    return out + "\"";
}

std::string float_text(float f) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(f));
    return buffer;
}

float slot_float(std::uint64_t slot) { return std::bit_cast<float>(static_cast<std::uint32_t>(slot)); }

// An argument or the result decoded by its kind from its slot (a Vec3 from
// three slots).
Value decode(char kind, const std::uint64_t* slots) {
    Value v;
    v.kind = kind;
    const std::uint64_t slot = slots[0];
    switch (kind) {
        case 'f':
            v.f = slot_float(slot);
            break;
        case '3':
            v.v = {slot_float(slots[0]), slot_float(slots[1]), slot_float(slots[2])};
            break;
        case 's': {
            const char* text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(slot));
            v.s = text != nullptr ? text : "";
            break;
        }
        case 'p':
            v.i = slot != 0 ? *reinterpret_cast<const std::uint32_t*>(static_cast<std::uintptr_t>(slot)) : 0;
            break;
        case 'h':
            v.i = static_cast<std::uint32_t>(slot);
            break;
        case 'v':
            break;
        default:
            v.i = static_cast<std::int32_t>(static_cast<std::uint32_t>(slot));
            break;
    }
    return v;
}

template <typename Keep>
std::vector<const Call*> calls_where(const std::vector<Call>& log, Keep keep) {
    std::vector<const Call*> found;
    for (const Call& c : log) {
        if (keep(c)) found.push_back(&c);
    }
    return found;
}

}  // namespace

std::string format_value(const Value& value) {
    char buffer[64];
    switch (value.kind) {
        case 'i':
            return std::to_string(value.i);
        case 'b':
            return value.i != 0 ? "1" : "0";
        case 'h':
        case 'p':
            std::snprintf(buffer, sizeof buffer, "%s0x%08" PRIX32, value.kind == 'p' ? "&" : "",
                          static_cast<std::uint32_t>(value.i));
            return buffer;
        case 'f':
            return float_text(value.f);
        case 's':
            return quoted(value.s);
        case '3': {
            // Appended: GCC 12 warns falsely of overlapping copies on the chained operator+.
            std::string text = "(";
            text.append(float_text(value.v.x)).append(", ").append(float_text(value.v.y));
            return text.append(", ").append(float_text(value.v.z)).append(")");
        }
        default:
            return "";
    }
}

std::string format_call(const Call& call) {
    std::string line = std::to_string(call.frame) + " " + call.name + "(";
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        if (i > 0) line += ", ";
        line += format_value(call.args[i]);
    }
    line += ")";
    if (call.result.kind != 'v') line += " -> " + format_value(call.result);
    return line;
}

Host& Host::make() {
    static Host host;
    instance_ = &host;
    return host;
}

Host::Host() : world_(std::make_unique<World>()) {}

void Host::reset() { *this = Host(); }

void Host::drop_script() {
    fiber_.reset();
    script_ = nullptr;
    body_ = nullptr;
}

int Host::run_script_body(std::function<void()> body, int max_frames) {
    drop_script();
    body_ = std::move(body);
    int frames = 0;
    while (frames < max_frames) {
        ++frame_;
        ++frames;
        world_->begin_frame(frame_);
        if (!fiber_) fiber_ = std::make_unique<Fiber>(&script_entry, fiber_stack_size);
        fiber_->resume();
        if (fiber_->finished()) break;
    }
    if (!fiber_->finished()) add_error("the script body did not return within its frames");
    fiber_.reset();
    body_ = nullptr;
    return frames;
}

void Host::add_error(std::string message) {
    errors_.push_back("frame " + std::to_string(frame_) + ": " + std::move(message));
}

void Host::run_frames(int count) {
    for (int n = 0; n < count; ++n) {
        ++frame_;
        world_->begin_frame(frame_);
        if (script_ == nullptr) continue;
        if (!fiber_) fiber_ = std::make_unique<Fiber>(&script_entry, fiber_stack_size);
        fiber_->resume();
        if (fiber_->finished()) add_error("the script returned from its entry");
    }
}

std::vector<const Call*> Host::calls_of(std::uint64_t hash) const {
    return calls_where(log_, [hash](const Call& c) { return c.hash == hash; });
}

std::vector<const Call*> Host::calls_in_frame(int frame) const {
    return calls_where(log_, [frame](const Call& c) { return c.frame == frame; });
}

int Host::waits_in_frame(int frame) const {
    return static_cast<int>(
        std::count_if(log_.begin(), log_.end(), [frame](const Call& c) { return c.frame == frame && c.is_wait(); }));
}

void Host::record_host_call(const char* name, std::int64_t argument, std::optional<std::int64_t> result) {
    if (!recording) return;
    Call& c = log_.emplace_back(Call{frame_, 0, name, {Value{.kind = 'i', .i = argument}}, {}});
    if (result) c.result = Value{.kind = 'i', .i = *result};
}

void Host::script_register(HINSTANCE__* module, void (*script)()) {
    ++registrations_;
    record_host_call("scriptRegister", static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(module)));
    if (script_ != nullptr) add_error("scriptRegister while a script is registered");
    drop_script();
    module_ = module;
    script_ = script;
}

void Host::script_unregister(HINSTANCE__* module) {
    ++unregistrations_;
    record_host_call("scriptUnregister", static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(module)));
    if (module != module_) add_error("scriptUnregister with a module that registered nothing");
    if (fiber_ && fiber_->running()) {
        add_error("scriptUnregister from the script's own fiber");
        return;
    }
    drop_script();
}

void Host::script_wait(std::uint32_t ms) {
    ++wait_count_;
    record_host_call("scriptWait", ms);
    if (pending_) add_error("scriptWait inside an open native invocation");
    if (!fiber_ || !fiber_->running()) {
        add_error("scriptWait outside the script fiber");
        return;
    }
    fiber_->yield();
}

bool Host::slots_suspect(const NativeInfo& info) const {
    // Whether any rule is broken: a null pointer, upper bits in a slot that
    // is not a pointer, a boolean other than 0 or 1. Most slots are above 1
    // and below 2^32, so that test comes first.
    if ((info.pointer_args | info.bool_args) == 0) {
        // Integers, hashes and floats alone: only the upper halves matter.
        std::uint64_t all = 0;
        for (int i = 0; i < arg_count_; ++i) all |= args_[i];
        return (all >> 32) != 0;
    }
    for (int i = 0; i < arg_count_; ++i) {
        const std::uint64_t slot = args_[i];
        if (((info.pointer_args >> i) & 1u) != 0) {
            if (slot == 0) return true;
        } else if (slot > 1 && ((slot >> 32) != 0 || ((info.bool_args >> i) & 1u) != 0)) {
            return true;
        }
    }
    return false;
}

bool Host::report_bad_invocation(const NativeInfo* info) {
    if (info == nullptr) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "unknown native 0x%016" PRIX64, pending_hash_);
        add_error(buffer);
        return false;
    }
    const std::string name = info->name;
    if (info->arg_count != arg_count_) {
        add_error(name + ": " + std::to_string(arg_count_) + " arguments, declared " + std::to_string(info->arg_count));
        return false;
    }
    for (int i = 0; i < arg_count_; ++i) {
        const std::string argument = name + ": argument " + std::to_string(i + 1);
        const bool pointer = ((info->pointer_args >> i) & 1u) != 0;
        if (pointer && args_[i] == 0) {
            add_error(argument + " is a null pointer");
            return false;
        }
        if (!pointer && (args_[i] >> 32) != 0) add_error(argument + " has upper 32 bits set");
        if (info->args[i] == 'b' && args_[i] > 1) add_error(argument + " is a boolean other than 0 or 1");
    }
    return true;
}

void Host::add_error(const char* message) { add_error(std::string(message)); }

void Host::init_while_pending() { add_error("nativeInit before the previous invocation was called"); }

void Host::push_refused() {
    add_error(pending_ ? "more than 32 arguments" : "nativePush64 without nativeInit");
}

std::uint64_t* Host::native_call() {
    std::memset(result_, 0, sizeof result_);
    if (!pending_) [[unlikely]] {
        add_error("nativeCall without nativeInit");
        return result_;
    }
    pending_ = false;
    ++native_count_;
    if (!fiber_ || !fiber_->running()) [[unlikely]] add_error("native invoked outside the script fiber");

    // The checks of the contract; the messages are made off the hot path.
    const NativeInfo* info = find_native(pending_hash_);
    if (info == nullptr || info->arg_count != arg_count_ || slots_suspect(*info)) [[unlikely]] {
        // Unknown, miscounted or with a null pointer: the world is not asked.
        if (!report_bad_invocation(info)) return result_;
    }

    world_->call(pending_hash_, args_, arg_count_, result_);
    if (on_native) on_native(pending_hash_, args_, arg_count_, result_);

    if (recording) {
        Call& c = log_.emplace_back(Call{frame_, pending_hash_, info->name, {}, decode(info->result, result_)});
        for (int i = 0; i < arg_count_; ++i) c.args.push_back(decode(info->args[i], &args_[i]));
    }
    return result_;
}

int Host::world_get_all_peds(int* peds, int size) {
    const int n = world_->get_all_peds(peds, size);
    record_host_call("worldGetAllPeds", size, n);
    return n;
}

}  // namespace standin
