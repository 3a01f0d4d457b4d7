#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace faceloom::test {

// A small writer of Windows PE modules holding resources, for reader tests. It is written
// apart from the language compiler, so the two check each other, and it lets tests lay out
// hostile variants (a hand-made resource section, PE32+, odd section placement).

// One resource: type, name and language ids and its data.
struct TPeResource {
    uint32_t type;
    uint32_t name;
    uint32_t language;
    std::string data;
};

// The data of one string-table block: 16 entries, each a 16-bit length and that many
// UTF-16LE units; `texts` maps an index 0..15 to its text, the others are empty.
std::string StringBlock(const std::map<int, std::u16string>& texts);

// The resources of a string table for `texts` (id -> text): one type-6 resource per block of
// 16 ids, named id div 16 + 1, in `language`.
std::vector<TPeResource> StringTableResources(const std::map<int, std::u16string>& texts,
                                              uint32_t language = 0x0409);

struct TPeOptions {
    bool pe32Plus = false;
    // Where the resource section is in memory; not the compiler's 0x1000, so that a reader
    // confusing file offsets with RVAs fails.
    uint32_t sectionRva = 0x3000;
    // The section holds exactly these bytes instead of a tree built from the resources
    // (hand-made trees for hostile cases).
    std::optional<std::string> rawSection;
    // Whether the data directory names the resource section at all.
    bool resourceDirectory = true;
};

// A written module and the file offsets of its parts, for tests that patch them.
struct TPeModule {
    std::string bytes;
    size_t peHeader = 0;  // "PE\0\0"
    size_t optionalHeader = 0;
    size_t resourceDirectoryEntry = 0;  // data directory 2: RVA, size
    size_t sectionHeader = 0;
    size_t section = 0;  // the section's data
    uint32_t sectionRva = 0;
};

TPeModule WritePeModule(const std::vector<TPeResource>& resources, const TPeOptions& options = {});

// Little-endian stores into existing bytes, for patching and hand-made trees.
void PutU16(std::string& bytes, size_t at, uint16_t value);
void PutU32(std::string& bytes, size_t at, uint32_t value);

// Pieces of a resource tree, appended to `section`: a directory header with its counts, an
// entry (name/id, target; set kResourceSubdirectory in the target for a directory), and a
// data entry (RVA, size).
inline constexpr uint32_t kResourceSubdirectory = 0x80000000u;
void AppendResourceDirectory(std::string& section, uint16_t namedEntries, uint16_t idEntries);
void AppendResourceEntry(std::string& section, uint32_t name, uint32_t target);
void AppendResourceDataEntry(std::string& section, uint32_t rva, uint32_t size);

}  // namespace faceloom::test
