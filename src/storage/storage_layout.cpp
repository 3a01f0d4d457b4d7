#include "storage/storage_layout.h"

#include <cassert>

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

}  // namespace faceloom
