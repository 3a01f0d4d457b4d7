#include "storage/user_folder_guard.h"

#include <sys/stat.h>

#include "platform/files.h"
#include "platform/paths.h"
#include "storage/storage_identity.h"
#include "storage/storage_layout.h"

namespace faceloom {

namespace {

constexpr const char* kPackToolIdentityName = "PackToolIdentity";

std::string ReadIdentity(const std::string& path) {
    const std::optional<std::string> kept = ReadWholeFile(path);
    return kept && IsStorageIdentity(*kept) ? *kept : std::string();
}

}  // namespace

std::string FolderLockFolder() {
    const std::string data = UserDataFolder();
    if (data.empty()) return {};
    return data + std::string(kProductFolder) + kPathSeparator + "Locks" + kPathSeparator;
}

std::string PackToolIdentity(bool create) {
    const std::string data = UserDataFolder();
    if (data.empty()) return {};
    const std::string folder = data + GlobalConfigSubPath() + kPathSeparator;
    const std::string path = folder + kPackToolIdentityName;
    std::string identity = ReadIdentity(path);
    if (!identity.empty() || !create || !ForceDirectories(folder)) return identity;
    // Two first runs at once: the identity that lands first is the one; the other run reads it.
    const std::string temp = folder + ".~faceloom-identity-" + RandomToken(8) + ".tmp";
    try {
        WriteFileAtomic(temp, RandomToken(32));
        ::chmod(temp.c_str(), 0600);
        // A damaged one is replaced: no journal can name it.
        if (!RenameNoReplace(temp, path) && !(ReadIdentity(path).empty() && RenameReplacing(temp, path)))
            DeleteFileAt(temp);
    } catch (...) {
        DeleteFileAt(temp);
    }
    return ReadIdentity(path);
}

}  // namespace faceloom
