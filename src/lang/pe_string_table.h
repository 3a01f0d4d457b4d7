#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace faceloom {

// The string table of a Windows resource-only module (".lng" language file), read as plain
// data: the DOS and PE headers (PE32 and PE32+) lead through the resource data directory and
// the section table to the resource tree, whose type 6 (RT_STRING) holds the texts in
// blocks of 16 (block id = text id div 16 + 1; per text a 16-bit length and that many
// UTF-16LE units). Nothing of the module is executed or mapped.
//
// The bytes are untrusted: any header, directory or data entry that does not lie inside the
// file makes the module "not loadable" rather than being read. What is tolerated is listed
// where it is handled (Parse and Text).
class TPeStringTable {
public:
    // Larger files are not taken as language modules: a real one holds a few kilobytes, and
    // the whole file is kept in memory.
    static constexpr uint64_t kMaxModuleSize = uint64_t{64} << 20;

    // The string table of a module held in `bytes`; nullopt when they are not a loadable
    // module. `error`, when given, receives the reason (for diagnostics and tests).
    static std::optional<TPeStringTable> Parse(std::string bytes, std::string* error = nullptr);
    // The same for a file; nullopt also when it cannot be read.
    static std::optional<TPeStringTable> Open(const std::string& fileName, std::string* error = nullptr);

    // The text of an id; empty when the module has none (no such block, or length 0).
    // Ids outside 0..65535 have none.
    std::u16string Text(int id) const;

    // The block ids of the table in ascending order (each once).
    std::vector<uint16_t> BlockIds() const;

private:
    struct TBlock {
        uint16_t blockId;
        size_t offset;  // of the block's data in bytes_
        size_t size;
    };

    TPeStringTable() = default;

    std::string bytes_;
    std::vector<TBlock> blocks_;  // sorted by blockId, unique
};

}  // namespace faceloom
