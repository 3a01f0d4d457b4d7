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

namespace {

// The folders of a sub-path, in order.
std::vector<std::string> SubPathParts(const std::string& subPath) {
    std::vector<std::string> parts;
    std::string part;
    for (const char c : subPath) {
        if (c != kPathSeparator) {
            part += c;
        } else if (!part.empty()) {
            parts.push_back(std::move(part));
            part.clear();
        }
    }
    if (!part.empty()) parts.push_back(std::move(part));
    return parts;
}

}  // namespace

std::string TStorageManager::FirstLink(const std::string& subPath) {
    const std::string root = AppDataFolder();
    if (root.empty()) return {};
    const std::vector<std::string> parts = SubPathParts(subPath);
    std::string path = root;
    for (size_t i = 0; i < parts.size(); ++i) {
        path += parts[i];
        if (i > 0 && EntryKind(path) == TEntryKind::Link) return path;
        path += kPathSeparator;
    }
    return {};
}

TStorageManager::TStorageManager(const std::string& subPath) {
    path_ = FolderFor(subPath);
    if (path_.empty()) return;
    const std::vector<std::string> parts = SubPathParts(subPath);
    if (parts.empty()) {
        valid_ = ForceDirectories(path_);
        return;
    }
    std::string folder = AppDataFolder() + parts[0] + kPathSeparator;
    if (!ForceDirectories(folder)) return;
    for (size_t i = 1; i < parts.size(); ++i) {
        folder += parts[i];
        if (!MakeOwnFolder(folder)) {
            if (EntryKind(folder) == TEntryKind::Link) linkFound_ = folder;
            return;
        }
        folder += kPathSeparator;
    }
    valid_ = true;
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
