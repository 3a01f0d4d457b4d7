#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <utility>

#include "platform/files.h"
#include "platform/paths.h"

namespace faceloom {

namespace {

struct THeld {
    int Fd = -1;
    int Count = 0;
};

// The locks this process holds, by lock file: flock belongs to one open file, so a second
// open of the same file in this process would be refused like another process.
std::mutex heldMutex;
std::map<std::string, THeld>& HeldLocks() {
    static std::map<std::string, THeld> held;
    return held;
}

// Links resolved as far as the folder exists (a folder about to be made keeps its spelling for
// the part that does not yet), one trailing separator.
std::string CanonicalFolder(std::string folder) {
    while (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
    if (ec) return IncludeTrailingSeparator(folder);
    const std::filesystem::path path = std::filesystem::weakly_canonical(absolute, ec);
    return IncludeTrailingSeparator(ec ? absolute.lexically_normal().string() : path.string());
}

long ReadHolder(int fd) {
    char buffer[32] = {};
    const ssize_t read = ::pread(fd, buffer, sizeof buffer - 1, 0);
    if (read <= 0) return 0;
    long pid = 0;
    return std::sscanf(buffer, "%ld", &pid) == 1 && pid > 0 ? pid : 0;
}

}  // namespace

std::string FolderLockFile(const std::string& folder, const std::string& lockFolder) {
    // FNV-1a: only tells folders apart, it guards nothing.
    uint64_t hash = 0xCBF29CE484222325ull;
    for (const char c : CanonicalFolder(folder)) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ull;
    }
    char name[24];
    std::snprintf(name, sizeof name, "%016llx.lock", static_cast<unsigned long long>(hash));
    return IncludeTrailingSeparator(lockFolder) + name;
}

TFolderLock::~TFolderLock() {
    Release();
}

TFolderLock::TFolderLock(TFolderLock&& other) noexcept
    : key_(std::exchange(other.key_, {})), holder_(std::exchange(other.holder_, 0)) {}

TFolderLock& TFolderLock::operator=(TFolderLock&& other) noexcept {
    if (this != &other) {
        Release();
        key_ = std::exchange(other.key_, {});
        holder_ = std::exchange(other.holder_, 0);
    }
    return *this;
}

bool TFolderLock::Acquire(const std::string& folder, const std::string& lockFolder) {
    holder_ = 0;
    if (folder.empty() || lockFolder.empty()) {
        Release();
        return false;
    }
    const std::string file = FolderLockFile(folder, lockFolder);
    if (file == key_) return true;
    Release();
    std::lock_guard<std::mutex> guard(heldMutex);
    auto& held = HeldLocks();
    if (auto found = held.find(file); found != held.end()) {
        ++found->second.Count;
        key_ = file;
        return true;
    }
    if (!ForceDirectories(IncludeTrailingSeparator(lockFolder))) return false;
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        holder_ = ReadHolder(fd);
        ::close(fd);
        return false;
    }
    // Who holds it, for the message of a refused program; cleared again when let go.
    const std::string pid = std::to_string(static_cast<long>(::getpid())) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        const ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
        (void)written;
    }
    held[file] = THeld{fd, 1};
    key_ = file;
    return true;
}

void TFolderLock::Release() {
    if (key_.empty()) return;
    std::lock_guard<std::mutex> guard(heldMutex);
    auto& held = HeldLocks();
    if (auto found = held.find(key_); found != held.end() && --found->second.Count == 0) {
        const int truncated = ::ftruncate(found->second.Fd, 0);
        (void)truncated;
        ::close(found->second.Fd);
        held.erase(found);
    }
    key_.clear();
}

}  // namespace faceloom
