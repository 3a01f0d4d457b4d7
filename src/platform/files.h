#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace faceloom {

class TFlushBatch;

// File names and masks compare without regard to letter case (packs come from Windows):
// ASCII and Cyrillic letters of UTF-8 names fold, always by FoldedFileName (code_page.h).

// Names (without folder) of the files in the mask's folder that match the mask, e.g.
// FindFiles("/pack/*.gif"). Ordinary, read-only and hidden files match; folders and
// anything that is not a regular file never do. Masks use "*" and "?"; "*.*" matches every
// name. Order: as the directory yields them. A missing folder yields nothing.
std::vector<std::string> FindFiles(const std::string& maskPath);

// Case-insensitive mask match of one bare name ("*.GIF" matches "a.gif").
bool MatchesMask(std::string_view name, std::string_view mask);

// How hard a copy insists on reaching the disk before it counts as done.
enum class TDurability {
    Durable,  // flushed to the disk before it replaces the target: the user's own files
    Scratch,  // left to the page cache: working copies that can be made again from the source
};
// Where a copy or write is given a flush batch, the written file joins it instead (whatever
// the durability): the commit point that depends on it flushes the batch.

// Copies a file, replacing the target. False on any failure (the target may then be absent
// but is never a truncated copy: the copy goes to a temp name first).
bool CopyFileReplacing(const std::string& source, const std::string& target,
                       TDurability durability = TDurability::Durable, TFlushBatch* batch = nullptr);

// Renames a file, never replacing anything: fails when the target exists, also when an
// existing file's name differs from the target only in letter case (unless it is the source
// itself, so a change of letter case alone works).
bool RenameNoReplace(const std::string& source, const std::string& target);

// RenameNoReplace for many files of one folder: bare names, renamed in the given order, each
// failing just as RenameNoReplace would (also on a name differing only in letter case). The
// folder is read once for the clash check instead of once per rename, so renaming all files
// of a large folder stays linear. Answers, per pair, whether it was renamed.
std::vector<bool> RenameNoReplaceInFolder(const std::string& folder,
                                          const std::vector<std::pair<std::string, std::string>>& renames);

// Renames a file or folder unless the exact target name exists (no letter-case check): for
// names the caller owns, such as its own temporary names, and for putting back the exact
// names a failed operation moved, which may differ from each other only in letter case.
bool RenameExact(const std::string& source, const std::string& target);

// Renames a file over its target, replacing it in one step (the target's old content is gone).
bool RenameReplacing(const std::string& source, const std::string& target);

// Copies a file to a target that must not exist yet (created exclusively, never replacing).
// On failure the partial target is removed and the result is false.
bool CopyFileNew(const std::string& source, const std::string& target,
                 TDurability durability = TDurability::Durable, TFlushBatch* batch = nullptr);

// One entry of a folder listing.
struct TFolderEntry {
    std::string Name;
    bool IsFile = false;  // a regular file (not a folder, link or device)
    uint64_t Inode = 0;
};
// Every entry of a folder but "." and "..", read once, in the order the directory yields.
// Empty when the folder cannot be read.
std::vector<TFolderEntry> ListFolder(const std::string& folder);

// The identity of a file or folder (device and inode folded into one number), nullopt when
// nothing has that name. Survives renames within a file system.
std::optional<uint64_t> FileIdentity(const std::string& path);

// Flushes a folder's entries (its renames, creations and deletions) to the disk.
bool SyncFolder(const std::string& folder);

// Removes a folder with everything in it, or a single file. A link is never followed: one
// named by the path (also when the path ends in a separator) or met inside the folder is
// removed itself, its target untouched. True when the name is gone afterwards.
bool RemoveTree(const std::string& folder);

// What a name is, a link never followed; separators at the end of the path are ignored, so
// "link/" is the link itself, not the folder it points to.
enum class TEntryKind { Missing, File, Folder, Link, Other };
TEntryKind EntryKind(const std::string& path);

// Creates one folder (its parent must exist) unless a folder of that name is there. True
// only when the name is a folder itself afterwards, never when it is a link to one: for the
// storage area's own folders, which are never followed out of it.
bool MakeOwnFolder(const std::string& folder);

// Whether a bare name is one of the temporary names this program makes (".~faceloom-*.tmp").
bool IsOwnTempName(std::string_view name);

bool DeleteFileAt(const std::string& path);
bool FileExists(const std::string& path);  // a regular file
// A regular file itself (a link is not followed) that can be opened for reading.
bool ReadableRegularFile(const std::string& path);
bool DirectoryExists(const std::string& path);  // a folder (or a link to one)

// Creates the folder and every missing parent. True when the folder exists afterwards.
bool ForceDirectories(const std::string& folder);

// The whole file; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);
// The whole file when it holds at most maxBytes; nullopt when it cannot be opened or read or
// is larger (then tooLarge, when given, is set), found before anything is allocated for it.
std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t maxBytes,
                                         bool* tooLarge = nullptr);

// Replaces the file's content safely: writes to a temp file in the same folder, flushes it
// and renames it over the old one. Throws EInOutError("Unable to write to <path>") on
// failure, leaving the old file intact.
// Scratch skips the flush (working copies); the rename is atomic either way.
void WriteFileAtomic(const std::string& path, std::string_view bytes,
                     TDurability durability = TDurability::Durable, TFlushBatch* batch = nullptr);

}  // namespace faceloom
