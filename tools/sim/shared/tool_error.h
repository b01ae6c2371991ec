#pragma once
// The one error the tool's parts throw: what went wrong, naming the file (and
// line) it is about. The commands print it after their name and exit.

#include <stdexcept>

namespace sim {

struct ToolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace sim
