#include "check/check_parts.h"

#include "config/ini_text.h"

namespace sim {

namespace {

// A section line opens its section; one without ']' leaves the open one open.
void scan_section_line(Scan& scan, const IniLine& line, std::string& section, bool& in_section) {
    if (line.kind == IniLine::unclosed_section) {
        scan.findings.push_back(finding(line.number, in_section ? section : "", "", Severity::error,
                                        "a section line without ']' is ignored; the keys below it stay in " +
                                            (in_section ? "[" + section + "]" : std::string("no section")),
                                        "close it with ']'"));
        return;
    }
    section = line.name;
    in_section = true;
    scan.sections.push_back({line.number, section});
    const std::string rest(line.value);
    if (!rest.empty() && !is_comment(rest)) {
        scan.findings.push_back(finding(line.number, section, "", Severity::warning,
                                        "the text after ']' (" + quote(rest) + ") is ignored"));
    }
}

// Any other line: a key of the open section, or a line the reader ignores.
void scan_key_line(Scan& scan, const IniLine& line, const std::string& section, bool in_section) {
    const std::string here = in_section ? section : "";
    if (line.kind == IniLine::no_equals) {
        scan.findings.push_back(finding(line.number, here, "", Severity::error,
                                        quote(std::string(line.content)) + " has no '=': the line is ignored",
                                        "write key=value, or start a comment with ';'"));
        return;
    }
    if (line.kind == IniLine::no_name) {
        scan.findings.push_back(
            finding(line.number, here, "", Severity::error, "nothing before '=': the line is ignored"));
        return;
    }
    const std::string key(line.name);
    if (!in_section) {
        scan.findings.push_back(finding(line.number, "", key, Severity::error,
                                        quote(key) + " stands above the first section: the plugin never reads it",
                                        "move it into its section"));
        return;
    }
    scan.keys.push_back({line.number, section, key, std::string(line.value)});
}

}  // namespace

Scan scan_lines(const std::string& text) {
    Scan scan;
    std::string section;
    bool in_section = false;
    for (const IniLine& line : ini_lines(text)) {
        switch (line.kind) {
            case IniLine::blank:
            case IniLine::comment:
                break;
            case IniLine::section:
            case IniLine::unclosed_section:
                scan_section_line(scan, line, section, in_section);
                break;
            case IniLine::key:
            case IniLine::no_equals:
            case IniLine::no_name:
                scan_key_line(scan, line, section, in_section);
                break;
        }
    }
    return scan;
}

}  // namespace sim
