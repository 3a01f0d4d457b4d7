#include "storage/storage_layout.h"

#include <cassert>
#include <filesystem>

#include "platform/paths.h"

namespace faceloom {

namespace {

std::string VersionSubPath() {
    std::string path(kProductFolder);
    path += kPathSeparator;
    path += kVersionFolder;
    path += kPathSeparator;
    return path;
}

std::string ModeSubPath(std::string_view mode, std::string_view folder) {
    std::string path = VersionSubPath();
    path += mode;
    path += kPathSeparator;
    path += folder;
    return path;
}

}  // namespace

std::string PackFolderName(int pack) {
    assert(pack == kStaticPack || pack == kAnimatedPack);
    return std::string(pack == kStaticPack ? kStaticFolder : kAnimatedFolder);
}

std::string GlobalConfigSubPath() {
    return VersionSubPath() + std::string(kConfigFolder);
}

std::string ModeConfigSubPath(std::string_view mode) {
    return ModeSubPath(mode, kConfigFolder);
}

std::string PackSubPath(std::string_view mode, int pack) {
    return ModeSubPath(mode, PackFolderName(pack));
}

bool InsideStorageArea(const std::string& folder) {
    namespace fs = std::filesystem;
    const std::string data = AppDataFolder();
    if (data.empty() || folder.empty()) return false;
    std::error_code ec;
    const fs::path area = fs::weakly_canonical(fs::path(data) / std::string(kProductFolder), ec);
    if (ec) return false;
    const fs::path target = fs::weakly_canonical(fs::absolute(fs::path(folder), ec), ec);
    if (ec) return false;
    auto a = area.begin();
    auto t = target.begin();
    for (; a != area.end(); ++a, ++t) {
        if (a->empty()) continue;  // the empty last part of a path ending with a separator
        if (t == target.end() || *a != *t) return false;
    }
    return true;
}

}  // namespace faceloom
