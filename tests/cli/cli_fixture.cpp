#include "cli_fixture.h"

#include <filesystem>

namespace faceloom::test {

std::string CliTest::PackFolder(const std::string& name) {
    const std::string folder = work_.file(name);
    std::filesystem::create_directories(folder);
    return folder;
}

std::vector<std::string> CliTest::LeftInTemp() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(programTemp_.path())) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string relative = std::filesystem::relative(entry.path(), folder).string();
        files[relative] = entry.is_regular_file() ? ReadBytes(entry.path()) : std::string("<dir>");
    }
    return files;
}

std::string UsageErrorText(const std::string& command, const std::string& message) {
    return "faceloom-pack: " + command + ": " + message + "\nTry 'faceloom-pack " + command + " --help'.\n";
}

}  // namespace faceloom::test
