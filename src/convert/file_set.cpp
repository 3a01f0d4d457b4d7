#include "convert/file_set.h"

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>
#include <sys/stat.h>

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cstring>
#include <ctime>
#include <fstream>
#include <stdexcept>
#include <unordered_set>

#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace faceloom {

namespace {

bool IsDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

// Compares two runs of digits by value without converting them (they may be longer than any
// integer): leading zeros aside, the longer run is larger, runs of one length compare as text.
int CompareDigitRuns(std::u32string_view a, std::u32string_view b) {
    const auto significant = [](std::u32string_view run) {
        const size_t first = run.find_first_not_of(U'0');
        return first == std::u32string_view::npos ? std::u32string_view() : run.substr(first);
    };
    const std::u32string_view x = significant(a), y = significant(b);
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    const int byValue = x.compare(y);
    if (byValue != 0) return byValue < 0 ? -1 : 1;
    // Equal values: fewer leading zeros first ("a1" before "a01").
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return 0;
}

int CompareNatural(std::u32string_view a, std::u32string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            size_t ie = i, je = j;
            while (ie < a.size() && IsDigit(a[ie])) ++ie;
            while (je < b.size() && IsDigit(b[je])) ++je;
            const int runs = CompareDigitRuns(a.substr(i, ie - i), b.substr(j, je - j));
            if (runs != 0) return runs;
            i = ie;
            j = je;
            continue;
        }
        // "/" sorts before every other character, so a folder's files stay together ahead of
        // names that merely start like it ("a/b" before "a-b").
        const char32_t x = a[i] == U'/' ? 0 : a[i], y = b[j] == U'/' ? 0 : b[j];
        if (x != y) return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

// A set over files in memory: the archive readers and FromFiles.
class TMemoryFileSet final : public TFileSet {
public:
    explicit TMemoryFileSet(std::vector<std::pair<std::string, std::vector<uint8_t>>> files) {
        std::stable_sort(files.begin(), files.end(),
                         [](const auto& x, const auto& y) { return NaturalNameLess(x.first, y.first); });
        for (auto& [path, bytes] : files) {
            if (!bytes_.emplace(path, std::move(bytes)).second) continue;  // a duplicate: the first stays
            paths_.push_back(path);
        }
        IndexPaths();
    }
    const std::vector<std::string>& Paths() const override { return paths_; }
    bool Read(const std::string& path, std::vector<uint8_t>& bytes) const override {
        const auto found = bytes_.find(path);
        if (found == bytes_.end()) return false;
        bytes = found->second;
        return true;
    }

private:
    std::vector<std::string> paths_;
    std::unordered_map<std::string, std::vector<uint8_t>> bytes_;
};

// A set over a folder on disk: listed once, each file read when asked for.
class TFolderFileSet final : public TFileSet {
public:
    TFolderFileSet(std::string root, std::vector<std::string> paths)
        : root_(std::move(root)), paths_(std::move(paths)) {
        std::sort(paths_.begin(), paths_.end(),
                  [](const auto& x, const auto& y) { return NaturalNameLess(x, y); });
        known_.insert(paths_.begin(), paths_.end());
        IndexPaths();
    }
    const std::vector<std::string>& Paths() const override { return paths_; }
    bool Read(const std::string& path, std::vector<uint8_t>& bytes) const override {
        if (known_.count(path) == 0) return false;
        const std::string full = root_ + path;
        struct stat st {};
        // A file that became a link or grew beyond what an archive entry may hold since the
        // listing is not read.
        if (::lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
            st.st_size > TArchiveLimits{}.MaxEntryBytes) {
            return false;
        }
        std::ifstream in(full, std::ios::binary);
        if (!in) return false;
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return !in.bad();
    }

private:
    std::string root_;  // with a trailing separator
    std::vector<std::string> paths_;
    std::unordered_set<std::string> known_;
};

}  // namespace

bool NaturalNameLess(std::string_view a, std::string_view b) {
    const int natural = CompareNatural(FoldedFileName(a), FoldedFileName(b));
    if (natural != 0) return natural < 0;
    return a < b;
}

void TFileSet::IndexPaths() {
    index_.clear();
    const std::vector<std::string>& paths = Paths();
    for (size_t i = 0; i < paths.size(); ++i) index_.emplace(FoldedFileName(paths[i]), i);  // the first stays
    indexed_ = true;
}

std::string TFileSet::Find(std::string_view path) const {
    const std::u32string key = FoldedFileName(path);
    if (indexed_) {
        const auto found = index_.find(key);
        return found == index_.end() ? std::string() : Paths()[found->second];
    }
    for (const std::string& candidate : Paths()) {
        if (FoldedFileName(candidate) == key) return candidate;
    }
    return {};
}

namespace {

std::string SizeText(int64_t bytes) {
    constexpr int64_t kMiB = 1024 * 1024;
    return bytes % kMiB == 0 ? std::to_string(bytes / kMiB) + " MiB" : std::to_string(bytes) + " bytes";
}

// Why an archive path may not be used, or empty when it is safe; safe is then the path with
// "/" between its parts and no empty or "." parts. Windows archivers write "\" between parts,
// so it separates parts as well.
std::string UnsafePathReason(std::string_view raw, std::string& safe) {
    std::string path(raw);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (!path.empty() && path[0] == '/') return "absolute path";
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
        return "absolute path";
    }
    safe.clear();
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string_view part = std::string_view(path).substr(start, end - start);
        if (part == "..") return "..";
        if (!part.empty() && part != ".") {
            if (!safe.empty()) safe += '/';
            safe += part;
        }
        start = end + 1;
    }
    return {};
}

// libarchive hands names over in the thread's locale; under a UTF-8 one the names of a zip
// (UTF-8 by their flag) come through unchanged, whatever locale the process runs in.
class TUtf8ThreadLocale {
public:
    TUtf8ThreadLocale() {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            locale_ = ::newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0));
            if (locale_ != static_cast<locale_t>(0)) break;
        }
        if (locale_ != static_cast<locale_t>(0)) old_ = ::uselocale(locale_);
    }
    ~TUtf8ThreadLocale() {
        if (locale_ == static_cast<locale_t>(0)) return;
        ::uselocale(old_);
        ::freelocale(locale_);
    }
    TUtf8ThreadLocale(const TUtf8ThreadLocale&) = delete;
    TUtf8ThreadLocale& operator=(const TUtf8ThreadLocale&) = delete;

private:
    locale_t locale_ = static_cast<locale_t>(0);
    locale_t old_ = static_cast<locale_t>(0);
};

bool IsUtf8(std::string_view text) {
    return Utf16ToUtf8(Utf8ToUtf16(text)) == text;
}

// Windows archivers write names without the zip's UTF-8 flag in the system's OEM code page:
// for the Russian-speaking users of the messenger that is CP866. A name that is not UTF-8 is
// read so; box-drawing characters, never seen in file names, become U+FFFD.
std::string EntryNameToUtf8(std::string_view name) {
    if (IsUtf8(name)) return std::string(name);
    static constexpr char16_t kHigh[16] = {u'\u0401', u'\u0451', u'\u0404', u'\u0454', u'\u0407', u'\u0457',
                                           u'\u040E', u'\u045E', u'\u00B0', u'\u2219', u'\u00B7', u'\u221A',
                                           u'\u2116', u'\u00A4', u'\u25A0', u'\u00A0'};
    std::u16string text;
    for (const char c : name) {
        const uint8_t byte = static_cast<uint8_t>(c);
        if (byte < 0x80) {
            text += static_cast<char16_t>(byte);
        } else if (byte < 0xB0) {
            text += static_cast<char16_t>(0x0410 + (byte - 0x80));  // А..Я, а..п
        } else if (byte < 0xE0) {
            text += u'\uFFFD';
        } else if (byte < 0xF0) {
            text += static_cast<char16_t>(0x0440 + (byte - 0xE0));  // р..я
        } else {
            text += kHigh[byte - 0xF0];
        }
    }
    return Utf16ToUtf8(text);
}

struct TArchiveCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};

// Reads every entry of an opened zip within the limits. Whatever stops the reading (a limit,
// damage) ends it with a note; the entries read whole before it are kept.
std::vector<std::pair<std::string, std::vector<uint8_t>>> ReadEntries(archive* a, const std::string& name,
                                                                      const TArchiveLimits& limits,
                                                                      TImportNotes& notes) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    constexpr int64_t kRatioFloor = 1024 * 1024;
    int64_t total = 0;
    int32_t count = 0;
    bool lastEntryDamaged = false;
    std::vector<uint8_t> chunk(64 * 1024);
    const auto limit = [&](const std::string& which) {
        AddNote(notes, TImportNoteKind::ArchiveLimit, {name, which});
    };
    for (;;) {
        archive_entry* entry = nullptr;
        const int header = archive_read_next_header(a, &entry);
        if (header == ARCHIVE_EOF) break;
        if (header < ARCHIVE_WARN) {
            // Damage in the listing ends the reading: a note says where, unless the entry
            // before already said it.
            const char* why = archive_error_string(a);
            if (!lastEntryDamaged)
                AddNote(notes, TImportNoteKind::DamagedArchive, {name, why != nullptr ? why : "?"});
            if (header == ARCHIVE_FATAL) break;
            if (++count >= limits.MaxEntries) break;
            continue;
        }
        lastEntryDamaged = false;
        if (++count > limits.MaxEntries) {
            limit(std::to_string(limits.MaxEntries) + " entries");
            break;
        }
        const char* spelled = archive_entry_pathname(entry);
        if (spelled == nullptr) spelled = archive_entry_pathname_utf8(entry);
        const std::string raw = EntryNameToUtf8(spelled != nullptr ? spelled : "");
        const mode_t type = archive_entry_filetype(entry);
        if (type == AE_IFDIR) continue;
        std::string reason;
        if (archive_entry_hardlink(entry) != nullptr || archive_entry_symlink(entry) != nullptr ||
            type == AE_IFLNK) {
            reason = "link";
        } else if (type != AE_IFREG && type != 0) {
            reason = "device";
        }
        std::string path;
        if (reason.empty()) reason = UnsafePathReason(raw, path);
        if (reason.empty() && path.empty()) continue;  // "./" and the like: a folder, nothing to read
        if (!reason.empty()) {
            AddNote(notes, TImportNoteKind::UnsafeEntry, {raw, reason});
            continue;
        }
        if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > limits.MaxEntryBytes) {
            limit(SizeText(limits.MaxEntryBytes) + " per file");
            break;
        }
        // The declared size is only a hint: the limits are checked again on what unpacks.
        std::vector<uint8_t> bytes;
        const int64_t packedStart = archive_filter_bytes(a, 0);
        std::string stop;
        bool damaged = false;
        for (;;) {
            const la_ssize_t got = archive_read_data(a, chunk.data(), chunk.size());
            if (got == 0) break;
            if (got < 0) {
                const char* why = archive_error_string(a);
                AddNote(notes, TImportNoteKind::DamagedPicture, {path, why != nullptr ? why : "unreadable"});
                damaged = true;
                break;
            }
            const int64_t unpacked = static_cast<int64_t>(bytes.size()) + got;
            if (unpacked > limits.MaxEntryBytes) {
                stop = SizeText(limits.MaxEntryBytes) + " per file";
                break;
            }
            if (total + unpacked > limits.MaxTotalBytes) {
                stop = SizeText(limits.MaxTotalBytes) + " in all";
                break;
            }
            // How much of the archive this entry has used so far: a zip bomb unpacks far more
            // than that and is stopped after its first MiB, long before it fills the memory.
            const int64_t packed = archive_filter_bytes(a, 0) - packedStart;
            if (unpacked > kRatioFloor && unpacked / std::max<int64_t>(packed, 1) > limits.MaxRatio) {
                stop = "compression " + std::to_string(limits.MaxRatio) + ":1";
                break;
            }
            bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
        }
        if (!stop.empty()) {
            limit(stop);
            break;
        }
        if (damaged) {
            lastEntryDamaged = true;
            continue;
        }
        total += static_cast<int64_t>(bytes.size());
        files.emplace_back(std::move(path), std::move(bytes));
    }
    return files;
}

std::unique_ptr<TFileSet> ReadZip(archive* opened, int openResult, const std::string& name,
                                  const TArchiveLimits& limits, TImportNotes& notes) {
    std::unique_ptr<archive, TArchiveCloser> a(opened);
    const TUtf8ThreadLocale utf8;
    if (openResult != ARCHIVE_OK) {
        const char* why = archive_error_string(a.get());
        AddNote(notes, TImportNoteKind::DamagedArchive, {name, why != nullptr ? why : "not a zip"});
        return TFileSet::FromFiles({});
    }
    return TFileSet::FromFiles(ReadEntries(a.get(), name, limits, notes));
}

archive* NewZipReader() {
    archive* a = archive_read_new();
    if (a == nullptr) throw std::bad_alloc();
    // Zip only (a .jisp is a zip): no other format or filter is ever tried on the bytes.
    archive_read_support_format_zip(a);
    return a;
}

void WalkFolder(const std::string& root, const std::string& relative, int depth, const std::string& name,
                std::vector<std::string>& paths, bool& stopped, TImportNotes& notes) {
    const int32_t maxFiles = TArchiveLimits{}.MaxEntries;
    std::vector<TFolderEntry> entries = ListFolder(root + relative);
    std::sort(entries.begin(), entries.end(), [](const auto& x, const auto& y) { return x.Name < y.Name; });
    for (const TFolderEntry& entry : entries) {
        if (stopped) return;
        const std::string path = relative + entry.Name;
        if (entry.IsFile) {
            if (IsOwnTempName(entry.Name)) continue;  // a half-written file of ours
            if (static_cast<int32_t>(paths.size()) >= maxFiles) {
                AddNote(notes, TImportNoteKind::ArchiveLimit, {name, std::to_string(maxFiles) + " files"});
                stopped = true;
                return;
            }
            paths.push_back(path);
            continue;
        }
        struct stat st {};
        if (::lstat((root + path).c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            if (depth >= kMaxFolderDepth) {
                // Too deep to be a pack's: this folder is left out, the walk goes on.
                AddNote(notes, TImportNoteKind::ArchiveLimit,
                        {path, std::to_string(kMaxFolderDepth) + " folders deep"});
                continue;
            }
            WalkFolder(root, path + "/", depth + 1, name, paths, stopped, notes);
        } else {
            // A link may lead anywhere, also back up the tree; devices and pipes are no files.
            AddNote(notes, TImportNoteKind::UnsafeEntry,
                    {Utf16ToUtf8(Utf8ToUtf16(path)), S_ISLNK(st.st_mode) ? "link" : "device"});
        }
    }
}

la_ssize_t AppendToVector(archive*, void* target, const void* data, size_t size) {
    auto* bytes = static_cast<std::string*>(target);
    bytes->append(static_cast<const char*>(data), size);
    return static_cast<la_ssize_t>(size);
}

}  // namespace

std::unique_ptr<TFileSet> TFileSet::FromFiles(
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files) {
    return std::make_unique<TMemoryFileSet>(std::move(files));
}

std::unique_ptr<TFileSet> TFileSet::FromFolder(const std::string& folder, TImportNotes& notes) {
    const std::string root = IncludeTrailingSeparator(folder);
    if (!DirectoryExists(root)) {
        AddNote(notes, TImportNoteKind::MissingFile, {folder});
        return FromFiles({});
    }
    std::vector<std::string> paths;
    bool stopped = false;
    WalkFolder(root, "", 0, folder, paths, stopped, notes);
    return std::make_unique<TFolderFileSet>(root, std::move(paths));
}

std::unique_ptr<TFileSet> TFileSet::FromZip(const std::string& zipPath, const TArchiveLimits& limits,
                                            TImportNotes& notes) {
    const std::string name = ExtractFileName(zipPath);
    if (!FileExists(zipPath)) {
        AddNote(notes, TImportNoteKind::MissingFile, {zipPath});
        return FromFiles({});
    }
    archive* a = NewZipReader();
    const int opened = archive_read_open_filename(a, zipPath.c_str(), 64 * 1024);
    return ReadZip(a, opened, name, limits, notes);
}

std::unique_ptr<TFileSet> TFileSet::FromZipBytes(std::span<const uint8_t> zip, const TArchiveLimits& limits,
                                                 TImportNotes& notes, const std::string& name) {
    archive* a = NewZipReader();
    // libarchive wants a non-null buffer even for no bytes.
    static const uint8_t kNothing = 0;
    const int opened = archive_read_open_memory(a, zip.empty() ? &kNothing : zip.data(), zip.size());
    return ReadZip(a, opened, name, limits, notes);
}

std::unique_ptr<TFileSet> TFileSet::FromPath(const std::string& path, const TArchiveLimits& limits,
                                             TImportNotes& notes) {
    if (DirectoryExists(path)) return FromFolder(path, notes);
    if (!FileExists(path)) {
        AddNote(notes, TImportNoteKind::MissingFile, {path});
        return FromFiles({});
    }
    char magic[4] = {};
    std::ifstream in(path, std::ios::binary);
    in.read(magic, sizeof magic);
    // A local file header, or the end record of an empty zip.
    if (in.gcount() == 4 && (std::memcmp(magic, "PK\3\4", 4) == 0 || std::memcmp(magic, "PK\5\6", 4) == 0)) {
        return FromZip(path, limits, notes);
    }
    std::string folder = ExtractFilePath(path);
    if (folder.empty()) folder = "./";
    return std::make_unique<TFolderFileSet>(folder, std::vector<std::string>{ExtractFileName(path)});
}

void WriteZip(const std::string& zipPath,
              const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files) {
    std::string bytes;
    const TUtf8ThreadLocale utf8;
    archive* a = archive_write_new();
    if (a == nullptr) throw std::bad_alloc();
    std::string error;
    const auto fail = [&](const std::string& what) {
        const char* why = archive_error_string(a);
        error = what + (why != nullptr ? std::string(": ") + why : std::string());
    };
    // Unblocked: the zip ends with its end record, not with padding to a tape block.
    if (archive_write_set_format_zip(a) != ARCHIVE_OK ||
        archive_write_set_bytes_per_block(a, 0) != ARCHIVE_OK ||
        archive_write_set_options(a, "zip:hdrcharset=UTF-8") < ARCHIVE_WARN ||
        archive_write_open(a, &bytes, nullptr, AppendToVector, nullptr) != ARCHIVE_OK) {
        fail("cannot start the zip");
    }
    archive_entry* entry = archive_entry_new();
    for (size_t i = 0; error.empty() && i < files.size(); ++i) {
        const auto& [path, data] = files[i];
        std::string safe;
        // Our own callers name the files; an unsafe name is a bug of theirs.
        assert(UnsafePathReason(path, safe).empty() && safe == path);
        archive_entry_clear(entry);
        archive_entry_set_pathname_utf8(entry, path.c_str());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(data.size()));
        archive_entry_set_mtime(entry, ::time(nullptr), 0);
        if (archive_write_header(a, entry) != ARCHIVE_OK) {
            fail("cannot add " + path);
        } else if (!data.empty() &&
                   archive_write_data(a, data.data(), data.size()) != static_cast<la_ssize_t>(data.size())) {
            fail("cannot add " + path);
        }
    }
    archive_entry_free(entry);
    if (error.empty() && archive_write_close(a) != ARCHIVE_OK) fail("cannot finish the zip");
    archive_write_free(a);
    if (!error.empty()) throw std::runtime_error(error);
    WriteFileAtomic(zipPath, bytes);
}

}  // namespace faceloom
