// `check` over arbitrary bytes of an INI file, as a modder runs it on a file
// someone shared: no crash, no sanitizer report, every finding on a line of
// the file with a message, and its JSON always valid.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "check/check.h"

namespace {

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "check_fuzzer: %s\n", what);
    std::abort();
}

// Lines as the reader counts them: LF, CR LF or CR ends one; a last line
// without an end counts too.
int lines_of(const std::string& text) {
    int lines = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        ++lines;
        const std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) break;
        pos = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

void check_the_checker(const std::string& text) {
    const sim::CheckReport report = sim::check_ini_text(text, "Barrelburst.ini");
    const int lines = lines_of(text);
    for (const sim::Finding& f : report.findings) {
        if (f.line < 0 || f.line > lines) broken("a finding on a line outside the file");
        if (f.message.empty()) broken("a finding without a message");
    }
    std::ostringstream json;
    sim::print_check_json(json, report);
    if (!nlohmann::json::accept(json.str())) broken("check's JSON does not parse");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check_the_checker(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
