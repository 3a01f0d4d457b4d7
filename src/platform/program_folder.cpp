#include "platform/program_folder.h"

#include <filesystem>
#include <system_error>

#include "platform/paths.h"

namespace faceloom {

std::string ProgramFolder() {
#if defined(__linux__)
    std::error_code ec;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || executable.empty()) {
        return {};
    }
    return ExtractFilePath(executable.string());
#else
    return {};
#endif
}

}  // namespace faceloom
