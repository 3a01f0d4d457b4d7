#include "lang/pe_string_table.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/byte_cursor.h"
#include "platform/files.h"

namespace faceloom {

namespace {

// Values and layouts from the Microsoft PE/COFF format documentation.
constexpr uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr uint64_t kDosNewHeaderField = 0x3C;  // e_lfanew
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint64_t kCoffHeaderSize = 20;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint64_t kPe32DirectoryCountField = 92;  // NumberOfRvaAndSizes, data directories follow
constexpr uint64_t kPe32PlusDirectoryCountField = 108;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint16_t kMaxSections = 96;  // the Windows loader's limit
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint64_t kResourceDirectorySize = 16;  // IMAGE_RESOURCE_DIRECTORY
constexpr uint64_t kResourceEntrySize = 8;       // IMAGE_RESOURCE_DIRECTORY_ENTRY
constexpr uint64_t kResourceDataEntrySize = 16;  // IMAGE_RESOURCE_DATA_ENTRY
constexpr uint32_t kHighBit = 0x80000000u;       // entry name is a string / entry is a directory
constexpr uint32_t kStringTableType = 6;         // RT_STRING
constexpr uint32_t kMaxBlockId = 4096;           // 65535 div 16 + 1
constexpr int kStringsPerBlock = 16;

struct TSection {
    uint32_t virtualAddress;
    uint32_t mappedSize;  // the part of the section backed by file bytes
    uint32_t rawOffset;
};

struct TFoundBlock {
    uint32_t blockId;
    uint64_t offset;
    uint64_t size;
};

struct TDirectoryEntry {
    uint32_t name;
    uint32_t target;
};

// The walk over one module's bytes. Each step returns false with error_ set when the module
// is malformed; the first failure ends the walk.
class TModuleReader {
public:
    explicit TModuleReader(std::string_view bytes) : file_(bytes) {}

    bool Read(std::vector<TFoundBlock>& blocks) {
        uint64_t resourceRva = 0;
        uint64_t resourceSize = 0;
        if (!ReadHeaders(resourceRva, resourceSize)) {
            return false;
        }
        // A module without resources is still a module; it just has no texts.
        if (resourceRva == 0 || resourceSize == 0) {
            return true;
        }
        uint64_t offset = 0;
        uint64_t available = 0;
        if (!MapRva(resourceRva, 0, offset, available)) {
            return Fail("the resource directory lies outside every section");
        }
        auto tree = file_.SubRange(offset, available);
        if (!tree) {
            return Fail("the resource directory lies outside the file");
        }
        tree_ = *tree;
        return ReadStringTable(blocks);
    }

    const std::string& Error() const { return error_; }

private:
    bool Fail(const char* reason) {
        error_ = reason;
        return false;
    }

    bool ReadHeaders(uint64_t& resourceRva, uint64_t& resourceSize) {
        uint16_t dosSignature = 0;
        uint32_t peOffset = 0;
        if (!file_.ReadU16(dosSignature) || dosSignature != kDosSignature) {
            return Fail("no DOS header");
        }
        if (!file_.Seek(kDosNewHeaderField) || !file_.ReadU32(peOffset)) {
            return Fail("the DOS header is cut short");
        }
        uint32_t peSignature = 0;
        if (!file_.Seek(peOffset) || !file_.ReadU32(peSignature) || peSignature != kPeSignature) {
            return Fail("no PE signature");
        }
        uint16_t machine = 0;
        uint16_t sectionCount = 0;
        uint16_t optionalHeaderSize = 0;
        if (!file_.ReadU16(machine) || !file_.ReadU16(sectionCount) || !file_.Skip(12) ||
            !file_.ReadU16(optionalHeaderSize) || !file_.Skip(2)) {
            return Fail("the COFF header is cut short");
        }
        if (sectionCount > kMaxSections) {
            return Fail("too many sections");
        }
        const uint64_t optionalHeader = uint64_t{peOffset} + 4 + kCoffHeaderSize;
        auto optional = file_.SubRange(optionalHeader, optionalHeaderSize);
        if (!optional) {
            return Fail("the optional header is cut short");
        }
        uint16_t magic = 0;
        optional->ReadU16(magic);  // fails only for an empty header, leaving magic 0
        uint64_t countField = 0;
        if (magic == kPe32Magic) {
            countField = kPe32DirectoryCountField;
        } else if (magic == kPe32PlusMagic) {
            countField = kPe32PlusDirectoryCountField;
        } else {
            return Fail("neither a PE32 nor a PE32+ optional header");
        }
        uint32_t directoryCount = 0;
        if (!optional->Seek(countField) || !optional->ReadU32(directoryCount)) {
            return Fail("the optional header is cut short");
        }
        if (uint64_t{directoryCount} * 8 > optional->Remaining()) {
            return Fail("the data directories do not fit in the optional header");
        }
        resourceRva = 0;
        resourceSize = 0;
        if (directoryCount > kResourceDirectoryIndex) {
            uint32_t rva = 0;
            uint32_t size = 0;
            optional->Skip(uint64_t{kResourceDirectoryIndex} * 8);
            optional->ReadU32(rva);
            optional->ReadU32(size);
            resourceRva = rva;
            resourceSize = size;
        }
        return ReadSections(optionalHeader + optionalHeaderSize, sectionCount);
    }

    bool ReadSections(uint64_t tableOffset, uint16_t count) {
        auto table = file_.SubRange(tableOffset, count * kSectionHeaderSize);
        if (!table) {
            return Fail("the section table is cut short");
        }
        for (uint16_t i = 0; i < count; ++i) {
            uint32_t virtualSize = 0;
            TSection section{};
            uint32_t rawSize = 0;
            table->Skip(8);  // name
            table->ReadU32(virtualSize);
            table->ReadU32(section.virtualAddress);
            table->ReadU32(rawSize);
            table->ReadU32(section.rawOffset);
            table->Skip(16);  // relocations, line numbers, their counts, characteristics
            if (rawSize != 0 && !file_.Contains(section.rawOffset, rawSize)) {
                return Fail("a section's data runs past the end of the file");
            }
            // Past VirtualSize the loader maps zeros, not file bytes; a VirtualSize of 0
            // (old linkers) means the raw size.
            section.mappedSize = virtualSize == 0 ? rawSize : std::min(virtualSize, rawSize);
            sections_.push_back(section);
        }
        return true;
    }

    // The file offset of `length` bytes at `rva`, and how many bytes from there on belong to
    // the same section; false when they are not all backed by one section's file bytes.
    bool MapRva(uint64_t rva, uint64_t length, uint64_t& offset, uint64_t& available) const {
        for (const TSection& section : sections_) {
            if (rva < section.virtualAddress) {
                continue;
            }
            const uint64_t into = rva - section.virtualAddress;
            if (into >= section.mappedSize || length > section.mappedSize - into) {
                continue;
            }
            offset = uint64_t{section.rawOffset} + into;
            available = section.mappedSize - into;
            return true;
        }
        return false;
    }

    // The entries of the resource directory at `offset` in the tree, at most `maxEntries` of
    // them (all of them must lie inside the tree even so).
    bool ReadDirectory(uint64_t offset, std::vector<TDirectoryEntry>& entries,
                       uint64_t maxEntries = UINT64_MAX) {
        TByteCursor cursor = tree_;
        uint16_t namedCount = 0;
        uint16_t idCount = 0;
        // Characteristics, TimeDateStamp and version (12 bytes) are of no use here.
        if (!cursor.Contains(offset, kResourceDirectorySize) || !cursor.Seek(offset + 12) ||
            !cursor.ReadU16(namedCount) || !cursor.ReadU16(idCount)) {
            return Fail("a resource directory lies outside the resource section");
        }
        const uint64_t count = uint64_t{namedCount} + idCount;
        if (count * kResourceEntrySize > cursor.Remaining()) {
            return Fail("a resource directory's entries run past the resource section");
        }
        entries.resize(std::min(count, maxEntries));
        for (TDirectoryEntry& entry : entries) {
            cursor.ReadU32(entry.name);
            cursor.ReadU32(entry.target);
        }
        return true;
    }

    // The tree has a fixed depth: type, name, language. Walking exactly these three levels,
    // and requiring directories above the last level and data entries on it, bounds the
    // walk whatever the offsets say: a directory that points back at itself or an ancestor
    // is met at a level where it does not belong.
    bool ReadStringTable(std::vector<TFoundBlock>& blocks) {
        std::vector<TDirectoryEntry> types;
        if (!ReadDirectory(0, types)) {
            return false;
        }
        const auto type = std::find_if(types.begin(), types.end(), [](const TDirectoryEntry& entry) {
            return entry.name == kStringTableType;
        });
        if (type == types.end()) {
            return true;  // no string table: every text falls back
        }
        if ((type->target & kHighBit) == 0) {
            return Fail("the string table type is not a directory");
        }
        std::vector<TDirectoryEntry> names;
        if (!ReadDirectory(type->target & ~kHighBit, names)) {
            return false;
        }
        std::vector<TDirectoryEntry> languages;
        for (const TDirectoryEntry& name : names) {
            // Blocks are numbered 1..4096; entries named by strings or by other numbers
            // cannot hold any of our ids and are passed over unread.
            if (name.name == 0 || name.name > kMaxBlockId) {
                continue;
            }
            if ((name.target & kHighBit) == 0) {
                return Fail("a string block is not a directory of languages");
            }
            // Only the first language is used, so only it is read: reading every entry of
            // every block's directory could cost the square of the file size.
            if (!ReadDirectory(name.target & ~kHighBit, languages, 1)) {
                return false;
            }
            // Whatever its language, the first version of a block is the one used.
            if (languages.empty()) {
                continue;
            }
            if ((languages.front().target & kHighBit) != 0) {
                return Fail("a string block's language entry is a directory");
            }
            TFoundBlock block{name.name, 0, 0};
            if (!ReadDataEntry(languages.front().target, block)) {
                return false;
            }
            blocks.push_back(block);
        }
        return true;
    }

    bool ReadDataEntry(uint32_t offset, TFoundBlock& block) {
        TByteCursor cursor = tree_;
        uint32_t rva = 0;
        uint32_t size = 0;
        if (!cursor.Seek(offset) || !cursor.Contains(offset, kResourceDataEntrySize) ||
            !cursor.ReadU32(rva) || !cursor.ReadU32(size)) {
            return Fail("a resource data entry lies outside the resource section");
        }
        uint64_t available = 0;
        if (!MapRva(rva, size, block.offset, available)) {
            return Fail("a string block lies outside every section");
        }
        block.size = size;
        return true;
    }

    TByteCursor file_;
    TByteCursor tree_;
    std::vector<TSection> sections_;
    std::string error_;
};

}  // namespace

std::optional<TPeStringTable> TPeStringTable::Parse(std::string bytes, std::string* error) {
    if (bytes.size() > kMaxModuleSize) {
        if (error) {
            *error = "the file is too large for a language module";
        }
        return std::nullopt;
    }
    std::vector<TFoundBlock> found;
    TModuleReader reader(bytes);
    if (!reader.Read(found)) {
        if (error) {
            *error = reader.Error();
        }
        return std::nullopt;
    }
    // A block listed twice: the first one counts, as for a resource lookup by name.
    std::stable_sort(found.begin(), found.end(),
                     [](const TFoundBlock& a, const TFoundBlock& b) { return a.blockId < b.blockId; });
    TPeStringTable table;
    for (const TFoundBlock& block : found) {
        if (!table.blocks_.empty() && table.blocks_.back().blockId == block.blockId) {
            continue;
        }
        table.blocks_.push_back(TBlock{static_cast<uint16_t>(block.blockId),
                                       static_cast<size_t>(block.offset), static_cast<size_t>(block.size)});
    }
    table.bytes_ = std::move(bytes);
    if (error) {
        error->clear();
    }
    return table;
}

std::optional<TPeStringTable> TPeStringTable::Open(const std::string& fileName, std::string* error) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(fileName, ec);
    if (!ec && size > kMaxModuleSize) {
        if (error) {
            *error = "the file is too large for a language module";
        }
        return std::nullopt;
    }
    auto bytes = ReadWholeFile(fileName);
    if (!bytes) {
        if (error) {
            *error = "the file cannot be read";
        }
        return std::nullopt;
    }
    return Parse(std::move(*bytes), error);
}

std::u16string TPeStringTable::Text(int id) const {
    if (id < 0 || id > 0xFFFF) {
        return {};
    }
    const uint32_t blockId = static_cast<uint32_t>(id) / kStringsPerBlock + 1;
    const auto block = std::lower_bound(blocks_.begin(), blocks_.end(), blockId,
                                        [](const TBlock& b, uint32_t key) { return b.blockId < key; });
    if (block == blocks_.end() || block->blockId != blockId) {
        return {};
    }
    // A block is read entry by entry up to the wanted one. A block whose data ends early
    // (fewer than 16 entries, or a length running past its end) is tolerated: the entries
    // that do not fit have no text, and the module stays usable for its other texts.
    TByteCursor cursor(std::string_view(bytes_).substr(block->offset, block->size));
    const int index = id % kStringsPerBlock;
    for (int i = 0;; ++i) {
        uint16_t length = 0;
        if (!cursor.ReadU16(length)) {
            return {};
        }
        std::string_view units;
        if (!cursor.ReadBytes(uint64_t{length} * 2, units)) {
            return {};
        }
        if (i == index) {
            std::u16string text(length, u'\0');
            for (size_t k = 0; k < length; ++k) {
                text[k] = static_cast<char16_t>(static_cast<uint8_t>(units[2 * k]) |
                                                static_cast<uint8_t>(units[2 * k + 1]) << 8);
            }
            return text;
        }
    }
}

std::vector<uint16_t> TPeStringTable::BlockIds() const {
    std::vector<uint16_t> ids;
    ids.reserve(blocks_.size());
    for (const TBlock& block : blocks_) {
        ids.push_back(block.blockId);
    }
    return ids;
}

}  // namespace faceloom
