#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "convert/import_note.h"

namespace faceloom {

// What an archive may hold before the rest of it is refused: a zip bomb or a huge archive
// stops at a limit with an ArchiveLimit note, the entries read before it are kept.
struct TArchiveLimits {
    int32_t MaxEntries = 20000;
    int64_t MaxEntryBytes = 32ll * 1024 * 1024;   // one entry, unpacked
    int64_t MaxTotalBytes = 512ll * 1024 * 1024;  // all entries, unpacked
    // Unpacked bytes per packed byte, for entries unpacking to more than 1 MiB.
    int32_t MaxRatio = 200;
};

// A read-only set of files, from a folder (with its sub-folders) or from a zip (or a .jisp,
// which is a zip): relative paths with "/" between the parts, never absolute and never with
// "..". Unsafe entries of an archive (absolute, "..", links, devices) are left out with an
// UnsafeEntry note and never written anywhere.
class TFileSet {
public:
    virtual ~TFileSet() = default;

    // Every file, in natural name order (a2 before a10, letter case folded).
    virtual const std::vector<std::string>& Paths() const = 0;
    // The file's bytes; false when it is not there or cannot be read (notes say why).
    virtual bool Read(const std::string& path, std::vector<uint8_t>& bytes) const = 0;
    // The path of the set as it is spelled, found case-insensitively; empty when absent.
    // Several spellings of one name: the first in Paths() order.
    std::string Find(std::string_view path) const;

    static std::unique_ptr<TFileSet> FromFolder(const std::string& folder, TImportNotes& notes);
    static std::unique_ptr<TFileSet> FromZip(const std::string& zipPath, const TArchiveLimits& limits,
                                             TImportNotes& notes);
    static std::unique_ptr<TFileSet> FromZipBytes(std::span<const uint8_t> zip, const TArchiveLimits& limits,
                                                  TImportNotes& notes, const std::string& name = "archive");
    // A folder, a zip/jisp file (by its first bytes), or a single picture file.
    static std::unique_ptr<TFileSet> FromPath(const std::string& path, const TArchiveLimits& limits,
                                              TImportNotes& notes);
    // Files already in memory (path, bytes), for callers that have them so: dropped data, tests,
    // the fuzz targets. Paths are taken as given; a later duplicate of a path is left out.
    static std::unique_ptr<TFileSet> FromFiles(
        std::vector<std::pair<std::string, std::vector<uint8_t>>> files);

protected:
    // Makes Find a lookup instead of a walk; a set calls it once its paths are final.
    void IndexPaths();

private:
    std::unordered_map<std::u32string, size_t> index_;  // folded path -> position in Paths()
    bool indexed_ = false;
};

// Natural name order: runs of digits compare by their value (a2 before a10), the rest as
// FoldedFileName folds it; names equal so far keep byte order, so the order never depends on
// how a folder or an archive listed them.
bool NaturalNameLess(std::string_view a, std::string_view b);

// Limits of a folder walk: sub-folders deeper than this are not entered, files beyond
// TArchiveLimits' MaxEntries (20,000) are not listed; an ArchiveLimit note says which. Links
// are not followed (an UnsafeEntry note each).
inline constexpr int kMaxFolderDepth = 16;

// Writes a zip of the given files (path, bytes) to zipPath, through a temporary file renamed
// over it once whole. Throws std::runtime_error with the reason.
void WriteZip(const std::string& zipPath,
              const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files);

}  // namespace faceloom
