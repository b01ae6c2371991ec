#include "shared/findings.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace sim {

const char* severity_name(Severity severity) { return severity == Severity::error ? "error" : "warning"; }

void print_findings_text(std::ostream& out, const std::string& file, const std::vector<Finding>& findings) {
    if (findings.empty()) {
        out << "\nNothing flagged.\n";
        return;
    }
    const auto errors = std::count_if(findings.begin(), findings.end(),
                                      [](const Finding& f) { return f.severity == Severity::error; });
    out << "\nFlagged (" << findings.size() << ": " << errors << " error(s), "
        << findings.size() - static_cast<std::size_t>(errors) << " warning(s)):\n";
    for (const Finding& f : findings) {
        // Piece by piece: GCC 12 at -O3 takes ":" + text here for an overlapping copy (-Wrestrict).
        out << "  " << file;
        if (f.line > 0) out << ":" << std::to_string(f.line);
        out << ": " << severity_name(f.severity) << ": " << f.message;
        if (!f.suggestion.empty()) out << "; " << f.suggestion;
        out << "\n";
    }
}

nlohmann::ordered_json findings_json(const std::vector<Finding>& findings) {
    using Json = nlohmann::ordered_json;
    const auto text_or_null = [](const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); };
    Json list = Json::array();
    for (const Finding& f : findings) {
        list.push_back({{"line", f.line > 0 ? Json(f.line) : Json(nullptr)},
                        {"section", text_or_null(f.section)},
                        {"key", text_or_null(f.key)},
                        {"severity", severity_name(f.severity)},
                        {"message", f.message},
                        {"suggestion", text_or_null(f.suggestion)}});
    }
    return list;
}

}  // namespace sim
