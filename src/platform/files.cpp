#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
#include "platform/fill_seam.h"
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

// The test seam of a file system that fills (fill_seam.h); off unless a test turns it on.
struct TFill {
    std::atomic<bool> On{false};
    std::atomic<uint64_t> Room{0};
    std::atomic<uint64_t> Entries{0};
    std::atomic<uint64_t> Written{0};
    std::atomic<uint64_t> Made{0};
};
TFill& Fill() {
    static TFill fill;
    return fill;
}

// How many of size bytes fit; 0 with errno ENOSPC when none does.
size_t FillRoom(size_t size) {
    TFill& fill = Fill();
    if (!fill.On.load(std::memory_order_relaxed)) return size;
    const size_t fits = static_cast<size_t>(std::min<uint64_t>(fill.Room.load(), size));
    if (fits == 0 && size > 0) errno = ENOSPC;
    return fits;
}

// A new entry (file, folder, rename) of the seam: counted, and refused once there is no room
// for another.
bool EntriesRefused() {
    TFill& fill = Fill();
    ++fill.Made;
    if (!fill.On.load(std::memory_order_relaxed)) return false;
    if (fill.Entries.load() == 0) {
        errno = ENOSPC;
        return true;
    }
    --fill.Entries;
    return false;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const size_t fits = FillRoom(size);
        if (fits == 0) return false;
        const ssize_t written = ::write(fd, data, fits);
        if (written > 0) {
            Fill().Written += static_cast<uint64_t>(written);
            if (Fill().On.load(std::memory_order_relaxed)) Fill().Room -= static_cast<uint64_t>(written);
        }
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
    if (EntriesRefused()) return false;
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
        if (ok && !EntriesRefused() && ::rename(temp.c_str(), target.c_str()) == 0) {
            batch->Adopt(fd);
            return true;
        }
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    if (durability == TDurability::Durable && !FlushesSkipped()) ok = (::fsync(fd) == 0) && ok;
    ok = (::close(fd) == 0) && ok;
    if (ok && !EntriesRefused() && ::rename(temp.c_str(), target.c_str()) == 0) {
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
    if (EntriesRefused()) return false;
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
    if (EntriesRefused()) return false;
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
    const int out =
        EntriesRefused() ? -1 : ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

namespace {

// The path without the separators at its end ("/" stays).
std::string WithoutTrailingSeparators(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == kPathSeparator) trimmed.pop_back();
    return trimmed;
}

// Deep enough for any folder this program makes; a deeper tree is left (each level holds a
// descriptor open).
constexpr int kMaxRemoveDepth = 128;

// Removes the entry name of the open folder parent, a folder with everything in it. Every
// entry is looked at without following it and a folder is opened only when it is one, so a
// link (also one swapped in meanwhile) is unlinked itself and nothing outside is reached.
void RemoveEntryAt(int parent, const char* name, int depth) {
    struct stat st {};
    if (::fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlinkat(parent, name, 0);
        return;
    }
    if (depth >= kMaxRemoveDepth) return;
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // No longer a folder (a link put in its place): the entry itself goes.
        if (errno == ELOOP || errno == ENOTDIR) ::unlinkat(parent, name, 0);
        return;
    }
    const int listing = ::dup(fd);
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (dir == nullptr) {
        if (listing >= 0) ::close(listing);
        ::close(fd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view entryName = entry->d_name;
        if (entryName != "." && entryName != "..") names.emplace_back(entryName);
    }
    ::closedir(dir);
    for (const std::string& entryName : names) RemoveEntryAt(fd, entryName.c_str(), depth + 1);
    ::close(fd);
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

}  // namespace

bool RemoveTree(const std::string& folder) {
    const std::string path = WithoutTrailingSeparators(folder);
    const std::string name = ExtractFileName(path);
    if (name.empty() || name == "." || name == "..") return false;
    const std::string parentPath = ExtractFilePath(path);
    // The folders above the name are the caller's: they may be links.
    const int parent =
        ::open(parentPath.empty() ? "." : parentPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) return errno == ENOENT || errno == ENOTDIR;
    RemoveEntryAt(parent, name.c_str(), 0);
    struct stat st {};
    const bool gone = ::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0;
    ::close(parent);
    return gone;
}

TEntryKind EntryKind(const std::string& path) {
    const std::string name = WithoutTrailingSeparators(path);
    struct stat st {};
    if (name.empty() || ::lstat(name.c_str(), &st) != 0) return TEntryKind::Missing;
    if (S_ISLNK(st.st_mode)) return TEntryKind::Link;
    if (S_ISDIR(st.st_mode)) return TEntryKind::Folder;
    if (S_ISREG(st.st_mode)) return TEntryKind::File;
    return TEntryKind::Other;
}

bool MakeOwnFolder(const std::string& folder) {
    const std::string name = WithoutTrailingSeparators(folder);
    if (name.empty()) return false;
    if (::mkdir(name.c_str(), 0777) == 0) return true;
    return errno == EEXIST && EntryKind(name) == TEntryKind::Folder;
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

bool ReadableRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& folder) {
    if (folder.empty()) return false;
    if (DirectoryExists(folder)) return true;
    if (EntriesRefused()) return false;
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

void FillAfter(uint64_t bytes, uint64_t entries) {
    TFill& fill = Fill();
    fill.Room = bytes;
    fill.Entries = entries;
    fill.On = true;
}

void FillOff() {
    Fill().On = false;
}

uint64_t BytesWritten() {
    return Fill().Written.load();
}

uint64_t EntriesMade() {
    return Fill().Made.load();
}

}  // namespace faceloom
