#pragma once
// What a report page carries: the JSON of its data element, and each file's
// bytes inflated again, for the tests of `report` and of a drop on the exe.

#include <nlohmann/json.hpp>
#include <zlib.h>

#include <cstring>
#include <optional>
#include <string>

namespace test {

struct CarriedFiles {
    nlohmann::json data;              // null when the page has no data element
    std::optional<std::string> ini;   // the bytes, as the page will inflate them
    std::optional<std::string> log;
};

inline std::string from_base64(const std::string& text) {
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (const char c : text) {
        const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        const char* at = c == '\0' ? nullptr : std::strchr(digits, c);
        if (at == nullptr) continue;
        bits = (bits << 6) | static_cast<unsigned>(at - digits);
        if ((count += 6) >= 8) out += static_cast<char>((bits >> (count -= 8)) & 0xFF);
    }
    return out;
}

inline std::string inflated(const nlohmann::json& file) {
    const std::string deflated = from_base64(file["deflated"].get<std::string>());
    std::string out(file["size"].get<std::size_t>(), '\0');
    uLongf size = static_cast<uLongf>(out.size());
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(deflated.data()),
                   static_cast<uLong>(deflated.size())) != Z_OK) {
        return "(does not inflate)";
    }
    out.resize(size);
    return out;
}

inline CarriedFiles carried_files(const std::string& html) {
    const std::string start = "<script type=\"application/json\" id=\"preloaded\">";
    const std::size_t from = html.find(start);
    if (from == std::string::npos) return {};
    const std::size_t to = html.find("</script>", from);
    CarriedFiles c;
    c.data = nlohmann::json::parse(html.substr(from + start.size(), to - from - start.size()));
    if (!c.data.is_object()) return c;
    if (!c.data["ini"].is_null()) c.ini = inflated(c.data["ini"]);
    if (!c.data["log"].is_null()) c.log = inflated(c.data["log"]);
    return c;
}

}  // namespace test
