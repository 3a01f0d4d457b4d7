#include "platform/scratch_file.h"

#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/instance_lock.h"
#include "platform/paths.h"

#ifdef _WIN32
#include <random>
#else
#include <stdlib.h>
#endif

namespace faceloom {

namespace {

// A fresh private folder under parent, with the separator; empty on failure.
std::string MakeFolder(const std::string& parent) {
    if (parent.empty() || !DirectoryExists(parent)) return {};
#ifdef _WIN32
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string folder = IncludeTrailingSeparator(parent) + "faceloom-" + std::to_string(random());
        std::error_code ec;
        if (std::filesystem::create_directory(folder, ec)) return IncludeTrailingSeparator(folder);
    }
    return {};
#else
    std::string pattern = IncludeTrailingSeparator(parent) + "faceloom-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    return IncludeTrailingSeparator(pattern);
#endif
}

}  // namespace

TScratchFile::TScratchFile(const std::string& fallbackFolder, const std::string& name) {
#ifndef _WIN32
    folder_ = MakeFolder(RuntimeFolder(""));
    if (folder_.empty()) folder_ = MakeFolder("/dev/shm");
#endif
    if (folder_.empty()) folder_ = MakeFolder(fallbackFolder);
    if (!folder_.empty()) path_ = folder_ + name;
}

TScratchFile::~TScratchFile() {
    if (folder_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

}  // namespace faceloom
