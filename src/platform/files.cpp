#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/flush_batch.h"
#include "platform/paths.h"

namespace faceloom {
namespace {

std::u32string FoldedCodePoints(std::string_view s) {
    return FoldedFileName(s);
}

// Classic wildcard match with backtracking to the last '*'; linear in practice.
bool WildcardMatch(const std::u32string& name, const std::u32string& mask) {
    size_t n = 0, m = 0;
    size_t starMask = std::u32string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == U'*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::u32string::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == U'*') ++m;
    return m == mask.size();
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A fresh name in the target's folder for a file that is renamed over the target once it is
// complete. It starts with a dot and ends in ".tmp" so that no pack mask picks it up.
std::string TempNameBeside(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random(std::random_device{}());
    return ExtractFilePath(target) + ".~faceloom-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1)) + "-" + std::to_string(random() % 1000000) + ".tmp";
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Writes through a producer into a temp file beside the target, then renames it over the
// target. The target is either the old file or the complete new one, never a part.
template <class Producer>
bool ReplaceViaTemp(const std::string& target, TDurability durability, TFlushBatch* batch,
                    Producer&& produce) {
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = TempNameBeside(target);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    // A rewritten file keeps the permissions of the file it replaces.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(fd, old.st_mode & 07777);
    }
    bool ok = produce(fd);
    if (batch) {
        // The batch flushes it before the commit that depends on it; the rename may come first.
        if (ok && ::rename(temp.c_str(), target.c_str()) == 0) {
            batch->Adopt(fd);
            return true;
        }
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    if (durability == TDurability::Durable && !FlushesSkipped()) ok = (::fsync(fd) == 0) && ok;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.c_str(), target.c_str()) == 0) {
        return true;
    }
    ::unlink(temp.c_str());
    return false;
}

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
    // "*.*" means every file, with or without a dot, as on Windows.
    if (mask == "*.*" || mask == "*") return true;
    return WildcardMatch(FoldedCodePoints(name), FoldedCodePoints(mask));
}

std::vector<std::string> FindFiles(const std::string& maskPath) {
    std::vector<std::string> names;
    std::string folder = ExtractFilePath(maskPath);
    const std::string mask = ExtractFileName(maskPath);
    if (mask.empty()) return names;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (!MatchesMask(name, mask)) continue;
        // The directory tells a regular file on most file systems; links and the unknown are
        // asked (a link to a file counts as that file).
        if (entry->d_type != DT_REG && !IsRegularFile(folder + name)) continue;
        names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

bool CopyFileReplacing(const std::string& source, const std::string& target, TDurability durability,
                       TFlushBatch* batch) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return false;
    }
    const bool ok = ReplaceViaTemp(target, durability, batch, [&](int out) {
        char buffer[1 << 16];
        for (;;) {
            const ssize_t got = ::read(in, buffer, sizeof buffer);
            if (got == 0) return true;
            if (got < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (!WriteAll(out, buffer, static_cast<size_t>(got))) return false;
        }
    });
    ::close(in);
    return ok;
}

namespace {

// True when path names an entry that is not the file described by source.
bool IsAnotherEntry(const std::string& path, const struct stat& source) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && !(st.st_dev == source.st_dev && st.st_ino == source.st_ino);
}

// The rename itself, which the kernel refuses when the exact target name exists.
bool RenameIfAbsent(const std::string& source, const std::string& target) {
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without RENAME_NOREPLACE: link fails on an existing target, so it never
    // replaces either. Folders cannot be linked: they are renamed after a check.
    struct stat st {};
    if (::lstat(source.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        if (::lstat(target.c_str(), &st) == 0) return false;
        return ::rename(source.c_str(), target.c_str()) == 0;
    }
    if (::link(source.c_str(), target.c_str()) != 0) return false;
    ::unlink(source.c_str());
    return true;
}

}  // namespace

bool RenameNoReplace(const std::string& source, const std::string& target) {
    struct stat sourceStat {};
    if (::lstat(source.c_str(), &sourceStat) != 0) return false;
    // Windows names are case-insensitive: a file whose name differs from the target only in
    // letter case counts as the target, unless it is the source itself.
    const std::string folder = ExtractFilePath(target);
    const std::string targetName = ExtractFileName(target);
    if (DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str())) {
        bool clash = false;
        const std::u32string foldedTarget = FoldedFileName(targetName);
        while (const dirent* entry = ::readdir(dir)) {
            if (FoldedFileName(entry->d_name) == foldedTarget &&
                IsAnotherEntry(folder + entry->d_name, sourceStat)) {
                clash = true;
                break;
            }
        }
        ::closedir(dir);
        if (clash) return false;
    }
    return RenameIfAbsent(source, target);
}

std::vector<bool> RenameNoReplaceInFolder(const std::string& folder,
                                          const std::vector<std::pair<std::string, std::string>>& renames) {
    std::vector<bool> done(renames.size(), false);
    if (renames.empty()) return done;
    // Every entry of the folder (files and folders alike) by its folded name.
    std::multimap<std::u32string, std::string> entries;
    if (DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") entries.emplace(FoldedCodePoints(name), name);
        }
        ::closedir(dir);
    }
    for (size_t i = 0; i < renames.size(); ++i) {
        const auto& [from, to] = renames[i];
        struct stat sourceStat {};
        if (from.empty() || to.empty() || ::lstat((folder + from).c_str(), &sourceStat) != 0) continue;
        const std::u32string foldedTarget = FoldedCodePoints(to);
        bool clash = false;
        for (auto [it, end] = entries.equal_range(foldedTarget); it != end && !clash; ++it) {
            clash = it->second != from && IsAnotherEntry(folder + it->second, sourceStat);
        }
        if (clash || !RenameIfAbsent(folder + from, folder + to)) continue;
        done[i] = true;
        for (auto [it, end] = entries.equal_range(FoldedCodePoints(from)); it != end; ++it) {
            if (it->second == from) {
                entries.erase(it);
                break;
            }
        }
        entries.emplace(foldedTarget, to);
    }
    return done;
}

bool RenameExact(const std::string& source, const std::string& target) {
    return RenameIfAbsent(source, target);
}

bool RenameReplacing(const std::string& source, const std::string& target) {
    return ::rename(source.c_str(), target.c_str()) == 0;
}

bool CopyFileNew(const std::string& source, const std::string& target, TDurability durability,
                 TFlushBatch* batch) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return false;
    }
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (!WriteAll(out, buffer, static_cast<size_t>(got))) {
            ok = false;
            break;
        }
    }
    ::close(in);
    if (ok && batch) {
        batch->Adopt(out);
        return true;
    }
    if (ok && durability == TDurability::Durable && !FlushesSkipped()) ok = ::fsync(out) == 0;
    ok = (::close(out) == 0) && ok;
    if (!ok) ::unlink(target.c_str());
    return ok;
}

std::vector<TFolderEntry> ListFolder(const std::string& folder) {
    std::vector<TFolderEntry> entries;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return entries;
    const int fd = ::dirfd(dir);
    struct stat self {};
    const uint64_t device = ::fstat(fd, &self) == 0 ? static_cast<uint64_t>(self.st_dev) << 48 : 0;
    while (const dirent* entry = ::readdir(dir)) {
        TFolderEntry item;
        item.Name = entry->d_name;
        if (item.Name == "." || item.Name == "..") continue;
        // The directory says the kind and the inode itself on most file systems; only where it
        // does not is the entry asked.
        if (entry->d_type != DT_UNKNOWN) {
            item.IsFile = entry->d_type == DT_REG;
            item.Inode = static_cast<uint64_t>(entry->d_ino) ^ device;
        } else if (struct stat st{}; ::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
            item.IsFile = S_ISREG(st.st_mode);
            item.Inode = static_cast<uint64_t>(st.st_ino) ^ (static_cast<uint64_t>(st.st_dev) << 48);
        }
        entries.push_back(std::move(item));
    }
    ::closedir(dir);
    return entries;
}

std::optional<uint64_t> FileIdentity(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<uint64_t>(st.st_ino) ^ (static_cast<uint64_t>(st.st_dev) << 48);
}

bool SyncFolder(const std::string& folder) {
    TFlushBatch batch;
    batch.AddFolder(folder);
    return batch.Flush();
}

bool RemoveTree(const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    struct stat st {};
    return ::lstat(folder.c_str(), &st) != 0;
}

bool IsOwnTempName(std::string_view name) {
    constexpr std::string_view prefix = ".~faceloom-";
    constexpr std::string_view suffix = ".tmp";
    return name.size() >= prefix.size() + suffix.size() && name.substr(0, prefix.size()) == prefix &&
           name.substr(name.size() - suffix.size()) == suffix;
}

bool DeleteFileAt(const std::string& path) {
    return IsRegularFile(path) && ::unlink(path.c_str()) == 0;
}

bool FileExists(const std::string& path) {
    return IsRegularFile(path);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return DirectoryExists(folder);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    if (!IsRegularFile(path)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t maxBytes, bool* tooLarge) {
    if (tooLarge != nullptr) *tooLarge = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct TCloseAtEnd {
        int fd;
        ~TCloseAtEnd() { ::close(fd); }
    } const closeAtEnd{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    if (size > maxBytes) {
        if (tooLarge != nullptr) *tooLarge = true;
        return std::nullopt;
    }
    // One byte more than the size: a file that grew meanwhile is refused, never read cut.
    std::string bytes(static_cast<size_t>(size) + 1, '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    if (got > size) {
        if (tooLarge != nullptr) *tooLarge = got > maxBytes;
        return std::nullopt;
    }
    bytes.resize(got);
    return bytes;
}

void WriteFileAtomic(const std::string& path, std::string_view bytes, TDurability durability,
                     TFlushBatch* batch) {
    const bool ok = ReplaceViaTemp(path, durability, batch,
                                   [&](int fd) { return WriteAll(fd, bytes.data(), bytes.size()); });
    if (!ok) {
        throw EInOutError::UnableToWrite(path);
    }
}

}  // namespace faceloom
