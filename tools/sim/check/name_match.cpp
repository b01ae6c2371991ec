#include "check/check_parts.h"

#include <algorithm>

#include "config/ini_names.h"

namespace sim {

namespace {

// At least as many edits as a to b takes: every character one name has more
// of than the other must be inserted, deleted or replaced.
std::size_t edits_at_least(const NameForm& a, const NameForm& b) {
    std::size_t more_in_a = 0;
    std::size_t more_in_b = 0;
    for (std::size_t i = 0; i < a.counts.size(); ++i) {
        if (a.counts[i] > b.counts[i]) {
            more_in_a += a.counts[i] - b.counts[i];
        } else {
            more_in_b += b.counts[i] - a.counts[i];
        }
    }
    return std::max(more_in_a, more_in_b);
}

// Edits (insert, delete, replace) from a to b. Exact up to `most`; past it,
// some number above `most` (a row's smallest count never falls in later rows).
std::size_t edit_distance(std::string_view a, std::string_view b, std::size_t most) {
    static thread_local std::vector<std::size_t> row;
    row.resize(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        std::size_t smallest = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const std::size_t replace = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, replace});
            smallest = std::min(smallest, row[j]);
            diagonal = above;
        }
        if (smallest > most) return smallest;
    }
    return row[b.size()];
}

std::size_t slip_allowance(const std::string& name) { return std::max<std::size_t>(2, name.size() / 3); }


}  // namespace

bool starts_with_name(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && same_ini_name(text.substr(0, prefix.size()), prefix);
}

NameForm form_of(const std::string& name) {
    NameForm form{lower(name), {}};
    for (const char c : form.text) ++form.counts[static_cast<unsigned char>(c) & 31u];
    return form;
}

std::optional<std::size_t> nearest(const NameForm& name, const std::vector<NameForm>& names, bool prefix_counts) {
    const std::size_t allowance = slip_allowance(name.text);
    std::optional<std::size_t> best;
    std::size_t best_distance = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& known = names[i].text;
        const bool prefix = prefix_counts && known.size() > name.text.size() && known.starts_with(name.text) &&
                            known[name.text.size()] == '_';
        if (!prefix) {
            // The distance is at least the difference in length, and in the characters.
            const std::size_t longer = std::max(name.text.size(), known.size());
            const std::size_t shorter = std::min(name.text.size(), known.size());
            if (longer - shorter > allowance || edits_at_least(name, names[i]) > allowance) continue;
        }
        const std::size_t d = edit_distance(name.text, known, prefix ? known.size() + name.text.size() : allowance);
        if (!prefix && d > allowance) continue;
        if (!best || d < best_distance) {
            best = i;
            best_distance = d;
        }
    }
    return best;
}

}  // namespace sim
