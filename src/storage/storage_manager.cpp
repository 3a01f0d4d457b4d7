#include "storage/storage_manager.h"

#include <vector>

#include "platform/files.h"
#include "platform/paths.h"

namespace faceloom {

std::string TStorageManager::FolderFor(const std::string& subPath) {
    const std::string root = AppDataFolder();
    if (root.empty()) return {};
    // The data folder already ends with a separator; a sub-path starting with one would
    // double it.
    size_t skip = 0;
    while (skip < subPath.size() && subPath[skip] == kPathSeparator) ++skip;
    return IncludeTrailingSeparator(root + subPath.substr(skip));
}

TStorageManager::TStorageManager(const std::string& subPath) {
    path_ = FolderFor(subPath);
    if (path_.empty()) return;
    valid_ = ForceDirectories(path_);
}

void TStorageManager::Report(const std::string& name) {
    if (OnFile) {
        OnFile(*this, name);
    }
}

bool TStorageManager::ForEachFile(const std::string& maskPath,
                                  const std::function<void(const std::string& name)>& act) {
    failures_ = 0;
    const std::vector<std::string> names = FindFiles(maskPath);
    for (const std::string& name : names) {
        Report(name);
        act(name);
    }
    return !names.empty();
}

bool TStorageManager::DeleteInStorage(const std::string& mask) {
    failures_ = 0;
    if (!valid_) return false;
    return ForEachFile(path_ + mask, [this](const std::string& name) {
        if (!DeleteFileAt(path_ + name)) ++failures_;
    });
}

// A mask without a folder would act on the process's current folder, which is never meant.
bool TStorageManager::DeleteInFolder(const std::string& maskPath) {
    const std::string folder = ExtractFilePath(maskPath);
    if (!valid_ || folder.empty()) return false;
    return ForEachFile(maskPath, [this, &folder](const std::string& name) {
        if (!DeleteFileAt(folder + name)) ++failures_;
    });
}

bool TStorageManager::CopyToStorage(const std::string& maskPath) {
    const std::string folder = ExtractFilePath(maskPath);
    if (!valid_ || folder.empty()) return false;
    return ForEachFile(maskPath, [this, &folder](const std::string& name) {
        // The working copy can always be made again from the source, so it skips the flush
        // unless a commit depends on it.
        if (!CopyFileReplacing(folder + name, path_ + name, TDurability::Scratch, Flushes)) ++failures_;
    });
}

bool TStorageManager::CopyFromStorage(const std::string& targetFolder) {
    const std::string target = IncludeTrailingSeparator(targetFolder);
    if (!valid_ || target.empty()) return false;
    return ForEachFile(path_ + "*.*", [this, &target](const std::string& name) {
        if (!CopyFileReplacing(path_ + name, target + name)) ++failures_;
    });
}

}  // namespace faceloom
