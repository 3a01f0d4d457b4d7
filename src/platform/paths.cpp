#include "platform/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/files.h"

namespace faceloom {

namespace {

// Where the per-user data folder is, by the environment, without creating it.
std::string DataHome() {
    std::string folder;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    // The XDG rules ignore a relative XDG_DATA_HOME.
    if (dataHome != nullptr && dataHome[0] == '/') {
        folder = dataHome;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') {
            const passwd* entry = getpwuid(getuid());
            home = entry != nullptr ? entry->pw_dir : nullptr;
        }
        if (home == nullptr || home[0] == '\0') {
            return {};
        }
        folder = IncludeTrailingSeparator(home) + ".local/share";
    }
    return IncludeTrailingSeparator(folder);
}

bool redirected = false;
std::string userDataFolder;

}  // namespace

std::string AppDataFolder() {
    const std::string folder = DataHome();
    if (folder.empty() || !ForceDirectories(folder)) {
        return {};
    }
    return folder;
}

std::string UserDataFolder() {
    return redirected ? userDataFolder : DataHome();
}

void RedirectAppDataFolder(const std::string& folder) {
    if (!redirected) userDataFolder = DataHome();
    redirected = true;
    ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
}

std::string IncludeTrailingSeparator(std::string path) {
    if (!path.empty() && path.back() != kPathSeparator) {
        path += kPathSeparator;
    }
    return path;
}

std::string ExtractFileName(std::string_view path) {
    const size_t slash = path.rfind(kPathSeparator);
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFilePath(std::string_view path) {
    const size_t slash = path.rfind(kPathSeparator);
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string ExtractFileExt(std::string_view path) {
    const std::string name = ExtractFileName(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace faceloom
