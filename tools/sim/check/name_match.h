#pragma once
// Names written for names the plugin knows: the nearest known name to a
// misspelt one, close enough to be a slip of the hand.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

bool starts_with_name(std::string_view text, std::string_view prefix);

// A name made ready for the search of the nearest: in lower case, with how
// often each character occurs (folded into 32 counts, which keeps the
// difference of two counts a lower bound of the edits between the names).
struct NameForm {
    std::string text;
    std::array<std::uint16_t, 32> counts{};
};
NameForm form_of(const std::string& name);

// The nearest of the names, when it is near enough to be a slip; a name that
// the written one begins (a bare class name for its per-class key) also counts.
std::optional<std::size_t> nearest(const NameForm& name, const std::vector<NameForm>& names, bool prefix_counts);

}  // namespace sim
