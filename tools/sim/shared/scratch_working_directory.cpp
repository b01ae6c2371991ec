#include "shared/scratch_working_directory.h"

#include <system_error>

#include "shared/files.h"
#include "shared/platform.h"

namespace sim {

ScratchWorkingDirectory::ScratchWorkingDirectory(const std::optional<std::filesystem::path>& ini) {
    std::error_code error;
    previous_ = std::filesystem::current_path(error);
    if (error) throw ToolError("cannot read the working directory: " + error.message());
    path_ = make_temporary_directory("barrelburst-sim", "the INI file");
    if (ini) {
        std::filesystem::copy_file(*ini, path_ / "Barrelburst.ini", error);
        if (error) {
            remove();
            throw ToolError("cannot copy INI file '" + utf8_of(*ini) + "': " + error.message());
        }
    }
    std::filesystem::current_path(path_, error);
    if (error) {
        remove();
        throw ToolError("cannot enter the scratch directory " + utf8_of(path_));
    }
}

ScratchWorkingDirectory::~ScratchWorkingDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    remove();
}

void ScratchWorkingDirectory::remove() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace sim
