// Any bytes as a zip (or .jisp) to import: read within small limits, its format detected and
// read. No path of the set may lead out of a folder, every listed file reads, and the pack
// read from it holds files of the set with their bytes (CheckForeignPack).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "convert/file_set.h"
#include "convert/pack_formats.h"
#include "foreign_pack_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace faceloom;
    // Small limits keep each run fast; the limits' own code is the same at any size.
    TArchiveLimits limits;
    limits.MaxEntries = 64;
    limits.MaxEntryBytes = 256 * 1024;
    limits.MaxTotalBytes = 1024 * 1024;
    TImportNotes notes;
    const auto set = TFileSet::FromZipBytes(std::span(data, size), limits, notes, "fuzz.zip");
    FUZZ_CHECK(set->Paths().size() <= static_cast<size_t>(limits.MaxEntries));
    int64_t total = 0;
    for (const std::string& path : set->Paths()) {
        FUZZ_CHECK(!path.empty() && path.front() != '/' && path.back() != '/');
        FUZZ_CHECK(path.find('\\') == std::string::npos && path.find("//") == std::string::npos);
        FUZZ_CHECK(path != ".." && path.rfind("../", 0) != 0 && path.find("/../") == std::string::npos &&
                   (path.size() < 3 || path.compare(path.size() - 3, 3, "/..") != 0));
        std::vector<uint8_t> bytes;
        FUZZ_CHECK(set->Read(path, bytes));
        FUZZ_CHECK(static_cast<int64_t>(bytes.size()) <= limits.MaxEntryBytes);
        total += static_cast<int64_t>(bytes.size());
        FUZZ_CHECK(!set->Find(path).empty());
    }
    FUZZ_CHECK(total <= limits.MaxTotalBytes);
    const TPackFormat format = DetectPackFormat(*set);
    fuzz::CheckForeignPack(*set, ReadForeignPack(*set, format), format);
    if (format != TPackFormat::Pictures) {
        fuzz::CheckForeignPack(*set, ReadForeignPack(*set, TPackFormat::Pictures), TPackFormat::Pictures);
    }
    return 0;
}
