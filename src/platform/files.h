#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace faceloom {

// File names and masks compare without regard to letter case (packs come from Windows):
// ASCII and Cyrillic letters of UTF-8 names fold.

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

// Copies a file, replacing the target. False on any failure (the target may then be absent
// but is never a truncated copy: the copy goes to a temp name first).
bool CopyFileReplacing(const std::string& source, const std::string& target,
                       TDurability durability = TDurability::Durable);

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

bool DeleteFileAt(const std::string& path);
bool FileExists(const std::string& path);       // a regular file
bool DirectoryExists(const std::string& path);  // a folder

// Creates the folder and every missing parent. True when the folder exists afterwards.
bool ForceDirectories(const std::string& folder);

// The whole file; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the file's content safely: writes to a temp file in the same folder, flushes it
// and renames it over the old one. Throws EInOutError("Unable to write to <path>") on
// failure, leaving the old file intact.
void WriteFileAtomic(const std::string& path, std::string_view bytes);

}  // namespace faceloom
