// The engine's functions as the page calls them: texts in as bytes (a
// pointer and a size in the module's memory, which the page fills), names as
// C strings, and every answer left in one buffer that the page reads with
// tuner_result_data() and tuner_result_size() before its next call; the odds
// of an edit come as numbers beside it (tuner_numbers_data(),
// tuner_numbers_size(): doubles). A call that fails answers {"error": "..."}.

#include <emscripten/emscripten.h>

#include <cstddef>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/fight.h"
#include "engine/tuner_engine.h"

namespace {

std::string result;
std::vector<double> numbers;  // an answer's figures, beside its document (tuner_describe_edit)

template <typename Work>
int answer(Work work) {
    try {
        result = work();
        return 1;
    } catch (const std::exception& error) {
        std::string message;
        for (const char c : std::string(error.what())) {
            if (c == '"' || c == '\\') message += '\\';
            if (static_cast<unsigned char>(c) >= 0x20) message += c;
        }
        result = "{\"error\":\"" + message + "\"}";
        return 0;
    }
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int tuner_describe(const char* ini, std::size_t size, const char* name) {
    return answer([&] { return tuner::describe_ini(std::string_view(ini, size), name); });
}

// The texts before and after the edit, one after the other in the bytes: the first `before_size` of them before.
EMSCRIPTEN_KEEPALIVE int tuner_describe_edit(const char* texts, std::size_t size, std::size_t before_size,
                                             const char* name, const char* section, const char* key) {
    return answer([&] {
        if (before_size > size) throw std::invalid_argument("the text before the edit runs past the bytes");
        return tuner::describe_edit(std::string_view(texts, before_size),
                                    std::string_view(texts + before_size, size - before_size), name, section, key,
                                    &numbers);
    });
}

EMSCRIPTEN_KEEPALIVE int tuner_edit(const char* ini, std::size_t size, const char* section, const char* key,
                                    const char* value) {
    return answer([&] { return tuner::edit_ini(std::string_view(ini, size), section, key, value); });
}

EMSCRIPTEN_KEEPALIVE int tuner_open_log(const char* log, std::size_t size, const char* name) {
    return answer([&] { return tuner::open_log(std::string_view(log, size), name); });
}

EMSCRIPTEN_KEEPALIVE int tuner_log_under(const char* ini, std::size_t size, const char* name) {
    return answer([&] { return tuner::log_under_ini(std::string_view(ini, size), name); });
}

EMSCRIPTEN_KEEPALIVE int tuner_fight_scenarios() {
    return answer([] { return tuner::fight_scenarios(); });
}

// The seed as text, so that every 32-bit one comes through; frames 0: the scenario's.
EMSCRIPTEN_KEEPALIVE int tuner_fight_start(const char* ini, std::size_t size, const char* scenario,
                                           const char* seed, int frames) {
    return answer([&] {
        return tuner::fight_start(std::string_view(ini, size), scenario, static_cast<std::uint32_t>(std::stoul(seed)),
                                  frames);
    });
}

EMSCRIPTEN_KEEPALIVE int tuner_fight_step(int frames) {
    return answer([&] { return tuner::fight_step(frames); });
}

EMSCRIPTEN_KEEPALIVE int tuner_fight_result() {
    return answer([] { return tuner::fight_result(); });
}

EMSCRIPTEN_KEEPALIVE const double* tuner_numbers_data() { return numbers.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t tuner_numbers_size() { return numbers.size(); }
EMSCRIPTEN_KEEPALIVE const char* tuner_result_data() { return result.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t tuner_result_size() { return result.size(); }

}  // extern "C"
