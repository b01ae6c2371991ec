#include "report/report_page.h"

#include <nlohmann/json.hpp>
#include <zlib.h>

#include <fstream>

#include "shared/files.h"
#include "shared/platform.h"
#include "shared/tool_error.h"
#include "world/scenario.h"
#include "world/simulation.h"

namespace sim {

namespace {

using Json = nlohmann::ordered_json;

// Where the built page holds its data: null until a report fills it.
constexpr std::string_view data_start = R"(<script type="application/json" id="preloaded">)";
constexpr std::string_view no_data = "null</script>";

std::string base64(const std::string& bytes) {
    static constexpr char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t n = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 2]);
        for (std::size_t k = 0; k < 4; ++k) out += i + k <= bytes.size() ? digits[(n >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

// The file's bytes deflated (zlib's format, which a browser's
// DecompressionStream("deflate") reads).
std::string deflated(const std::string& bytes) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                  static_cast<uLong>(bytes.size()), Z_DEFAULT_COMPRESSION) != Z_OK) {
        throw ToolError("cannot compress a file for the page");
    }
    out.resize(size);
    return out;
}

// A file for the page, or, past what the page can carry (or past `largest`
// bytes, which the page could not draw at the pace of an edit), a note instead.
void carry(Json& data, const char* what, const std::filesystem::path& file, const char* kind, std::uintmax_t largest,
           std::size_t& room) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) read_file(file, kind);  // throws, naming the file and why
    const std::string name = utf8_of(file);
    // A file that cannot shrink to the room left is not compressed at all.
    std::string packed;
    if (size <= largest && size / 12 < room) packed = base64(deflated(read_file(file, kind)));
    if (packed.empty() || packed.size() > room) {
        data["left_out"].push_back("the " + std::string(kind) + " " + name + " (" + std::to_string(size) +
                                   " bytes), too large to carry in this page; open it here with the button");
        return;
    }
    room -= packed.size();
    data[what] = {{"name", name}, {"size", size}, {"deflated", std::move(packed)}};
}

}  // namespace

std::filesystem::path tuner_page_file() {
    const std::filesystem::path beside = executable_directory() / "Barrelburst-tuner.html";
#if defined(BB_TUNER_PAGE)
    std::error_code error;
    if (!std::filesystem::exists(beside, error)) return BB_TUNER_PAGE;
#endif
    return beside;
}

void write_report(const ReportOptions& options, const std::filesystem::path& out) {
    Json data = {{"ini", nullptr}, {"log", nullptr}, {"fight", nullptr}, {"left_out", Json::array()}};
    std::string page = read_file(tuner_page_file(), "tuner page");
    const std::size_t at = page.find(std::string(data_start) + std::string(no_data));
    if (at == std::string::npos) throw ToolError("the tuner page " + utf8_of(tuner_page_file()) + " has no place for data");
    std::size_t room = report_embedded_limit;
    if (options.ini) carry(data, "ini", *options.ini, "INI file", report_largest_ini, room);
    if (options.log) carry(data, "log", *options.log, "shot log", UINTMAX_MAX, room);
    const std::string scenario = options.scenario.empty() ? std::string(default_scenario_name) : options.scenario;
    const std::filesystem::path file = resolve_scenario(scenario);
    std::error_code error;
    if (!std::filesystem::equivalent(file.parent_path(), shipped_scenario_dir(), error)) {
        throw ToolError("the page plays the shipped scenarios; " + scenario + " is not one of them (run plays it)");
    }
    data["fight"] = {{"scenario", utf8_of(file.stem())},
                     {"seed", options.seed.value_or(load_scenario(file).seed.value_or(default_seed))}};
    // Inert: a JSON script never runs, and no text of it can close its element.
    std::string json = data.dump(-1, ' ', true, Json::error_handler_t::replace);
    for (std::size_t i = json.find('<'); i != std::string::npos; i = json.find('<', i)) json.replace(i, 1, "\\u003c");
    page.replace(at + data_start.size(), no_data.size(), json + "</script>");
    std::ofstream written(out, std::ios::binary | std::ios::trunc);
    written << page;
    if (!written) throw ToolError("cannot write the page '" + utf8_of(out) + "'");
}

}  // namespace sim
