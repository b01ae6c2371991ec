// `check`'s report printed: in text, a line a setting and then the findings,
// or as one JSON object.

#include <nlohmann/json.hpp>

#include <algorithm>

#include "check/check.h"
#include "shared/text_format.h"
#include "shared/tool_error.h"

namespace sim {

void print_check_text(std::ostream& out, const CheckReport& report) {
    out << "barrelburst-sim check: " << report.file << "\n";
    out << "Effective settings, as the plugin reads the file, by section in the file's order (* the value differs "
           "from the default; source: the file with its line, the default, or the fallback of a list that does "
           "not read):\n";
    std::string section;
    for (const CheckedSetting& s : report.settings) {
        if (s.section != section) {
            section = s.section;
            out << "[" << section << "]\n";
        }
        const std::string value = s.row->kind == ValueKind::text ? "\"" + s.value + "\"" : s.value;
        const std::string source = s.line > 0 ? s.source + ", line " + std::to_string(s.line) : s.source;
        out << format("  %s %-37s %-34s %s\n", s.differs ? "*" : " ", s.key.c_str(), value.c_str(), source.c_str());
    }
    const bool entries = std::any_of(report.settings.begin(), report.settings.end(), [](const CheckedSetting& s) {
        return s.row->scope == KeyScope::any_key;
    });
    if (!entries) {
        for (const SettingSection& listed : settings_sections) {
            if (listed.listed) out << "[" << listed.name << "]\n    (no entries)\n";
        }
    }

    print_findings_text(out, report.file, report.findings);
}

void print_check_json(std::ostream& out, const CheckReport& report) {
    using Json = nlohmann::ordered_json;
    const auto line_or_null = [](int line) { return line > 0 ? Json(line) : Json(nullptr); };
    Json settings_list = Json::array();
    for (const CheckedSetting& s : report.settings) {
        settings_list.push_back(
            {{"section", s.section}, {"key", s.key}, {"value", s.value}, {"source", s.source}, {"line", line_or_null(s.line)}});
    }
    const Json document = {
        {"file", report.file}, {"settings", settings_list}, {"findings", findings_json(report.findings)}};
    // Bytes of the file that are not UTF-8 become U+FFFD, so the output always parses.
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

int check_command(const std::filesystem::path& file, OutputFormat format, std::ostream& out, std::ostream& err) {
    CheckReport report;
    try {
        report = check_ini(file);
    } catch (const ToolError& error) {
        err << "barrelburst-sim check: " << error.what() << "\n";
        return 2;
    }
    if (format == OutputFormat::json) {
        print_check_json(out, report);
    } else {
        print_check_text(out, report);
    }
    return report.findings.empty() ? 0 : 1;
}

}  // namespace sim
