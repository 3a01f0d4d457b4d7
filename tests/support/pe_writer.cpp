#include "support/pe_writer.h"

namespace faceloom::test {

namespace {

constexpr uint32_t kFileAlignment = 0x200;
constexpr size_t kDosHeaderSize = 64;

size_t AlignUp(size_t value, size_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

void AppendU16(std::string& bytes, uint16_t value) {
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>(value >> 8));
}

void AppendU32(std::string& bytes, uint32_t value) {
    AppendU16(bytes, static_cast<uint16_t>(value & 0xFFFF));
    AppendU16(bytes, static_cast<uint16_t>(value >> 16));
}

// Resource section laid out as: root directory, type directories, name directories, data
// entries, data (each 8-aligned). RVAs in data entries need the section's RVA.
std::string ResourceSection(const std::vector<TPeResource>& resources, uint32_t sectionRva) {
    using TLanguages = std::map<uint32_t, const std::string*>;
    using TNames = std::map<uint32_t, TLanguages>;
    std::map<uint32_t, TNames> tree;
    for (const TPeResource& resource : resources) {
        tree[resource.type][resource.name][resource.language] = &resource.data;
    }
    auto directorySize = [](size_t entries) { return 16 + 8 * entries; };
    // Pass 1: offsets.
    size_t offset = directorySize(tree.size());
    std::map<uint32_t, size_t> typeOffsets;
    std::map<std::pair<uint32_t, uint32_t>, size_t> nameOffsets;
    for (const auto& [type, names] : tree) {
        typeOffsets[type] = offset;
        offset += directorySize(names.size());
    }
    for (const auto& [type, names] : tree) {
        for (const auto& [name, languages] : names) {
            nameOffsets[{type, name}] = offset;
            offset += directorySize(languages.size());
        }
    }
    std::vector<const std::string*> data;
    const size_t dataEntries = offset;
    for (const auto& [type, names] : tree) {
        for (const auto& [name, languages] : names) {
            for (const auto& [language, bytes] : languages) {
                data.push_back(bytes);
            }
        }
    }
    offset += 16 * data.size();
    std::vector<size_t> dataOffsets;
    for (const std::string* bytes : data) {
        offset = AlignUp(offset, 8);
        dataOffsets.push_back(offset);
        offset += bytes->size();
    }
    // Pass 2: bytes.
    std::string section;
    AppendResourceDirectory(section, 0, static_cast<uint16_t>(tree.size()));
    for (const auto& [type, names] : tree) {
        AppendResourceEntry(section, type, kResourceSubdirectory | static_cast<uint32_t>(typeOffsets[type]));
    }
    for (const auto& [type, names] : tree) {
        AppendResourceDirectory(section, 0, static_cast<uint16_t>(names.size()));
        for (const auto& [name, languages] : names) {
            AppendResourceEntry(section, name,
                                kResourceSubdirectory | static_cast<uint32_t>(nameOffsets[{type, name}]));
        }
    }
    size_t index = 0;
    for (const auto& [type, names] : tree) {
        for (const auto& [name, languages] : names) {
            AppendResourceDirectory(section, 0, static_cast<uint16_t>(languages.size()));
            for (const auto& [language, bytes] : languages) {
                AppendResourceEntry(section, language, static_cast<uint32_t>(dataEntries + 16 * index++));
            }
        }
    }
    for (size_t i = 0; i < data.size(); ++i) {
        AppendResourceDataEntry(section, sectionRva + static_cast<uint32_t>(dataOffsets[i]),
                                static_cast<uint32_t>(data[i]->size()));
    }
    for (size_t i = 0; i < data.size(); ++i) {
        section.resize(dataOffsets[i], '\0');
        section += *data[i];
    }
    return section;
}

}  // namespace

void PutU16(std::string& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

void PutU32(std::string& bytes, size_t at, uint32_t value) {
    PutU16(bytes, at, static_cast<uint16_t>(value & 0xFFFF));
    PutU16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

void AppendResourceDirectory(std::string& section, uint16_t namedEntries, uint16_t idEntries) {
    AppendU32(section, 0);             // Characteristics
    AppendU32(section, 0);             // TimeDateStamp
    AppendU16(section, 0);             // MajorVersion
    AppendU16(section, 0);             // MinorVersion
    AppendU16(section, namedEntries);  // NumberOfNamedEntries
    AppendU16(section, idEntries);     // NumberOfIdEntries
}

void AppendResourceEntry(std::string& section, uint32_t name, uint32_t target) {
    AppendU32(section, name);    // id, or string offset with the high bit
    AppendU32(section, target);  // data entry offset, or directory offset with the high bit
}

void AppendResourceDataEntry(std::string& section, uint32_t rva, uint32_t size) {
    AppendU32(section, rva);   // OffsetToData (an RVA, not a section offset)
    AppendU32(section, size);  // Size
    AppendU32(section, 0);     // CodePage
    AppendU32(section, 0);     // Reserved
}

std::string StringBlock(const std::map<int, std::u16string>& texts) {
    std::string block;
    for (int index = 0; index < 16; ++index) {
        const auto text = texts.find(index);
        const std::u16string units = text == texts.end() ? std::u16string() : text->second;
        AppendU16(block, static_cast<uint16_t>(units.size()));  // length in UTF-16 units
        for (char16_t unit : units) {
            AppendU16(block, unit);  // UTF-16LE, no terminator
        }
    }
    return block;
}

std::vector<TPeResource> StringTableResources(const std::map<int, std::u16string>& texts, uint32_t language) {
    std::map<uint32_t, std::map<int, std::u16string>> blocks;
    for (const auto& [id, text] : texts) {
        blocks[static_cast<uint32_t>(id) / 16 + 1][id % 16] = text;
    }
    std::vector<TPeResource> resources;
    for (const auto& [blockId, blockTexts] : blocks) {
        resources.push_back(TPeResource{6, blockId, language, StringBlock(blockTexts)});
    }
    return resources;
}

TPeModule WritePeModule(const std::vector<TPeResource>& resources, const TPeOptions& options) {
    TPeModule module;
    module.sectionRva = options.sectionRva;
    const std::string section =
        options.rawSection ? *options.rawSection : ResourceSection(resources, options.sectionRva);
    const size_t rawSize = AlignUp(section.size(), kFileAlignment);
    std::string& out = module.bytes;

    // DOS header: only the two fields a PE reader uses; no stub program.
    out.assign(kDosHeaderSize, '\0');
    PutU16(out, 0x00, 0x5A4D);                                 // e_magic "MZ"
    PutU32(out, 0x3C, static_cast<uint32_t>(kDosHeaderSize));  // e_lfanew

    module.peHeader = out.size();
    out += std::string("PE\0\0", 4);                     // signature
    AppendU16(out, options.pe32Plus ? 0x8664 : 0x014C);  // Machine: x64 / i386
    AppendU16(out, 1);                                   // NumberOfSections
    AppendU32(out, 0);                                   // TimeDateStamp
    AppendU32(out, 0);                                   // PointerToSymbolTable
    AppendU32(out, 0);                                   // NumberOfSymbols
    const uint16_t optionalSize = options.pe32Plus ? 240 : 224;
    AppendU16(out, optionalSize);  // SizeOfOptionalHeader
    AppendU16(out, 0x2022);        // Characteristics: DLL | EXECUTABLE | LARGE_ADDRESS_AWARE

    module.optionalHeader = out.size();
    AppendU16(out, options.pe32Plus ? 0x20B : 0x10B);  // Magic
    AppendU16(out, 0);                                 // linker version
    AppendU32(out, 0);                                 // SizeOfCode
    AppendU32(out, static_cast<uint32_t>(rawSize));    // SizeOfInitializedData
    AppendU32(out, 0);                                 // SizeOfUninitializedData
    AppendU32(out, 0);                                 // AddressOfEntryPoint
    AppendU32(out, options.sectionRva);                // BaseOfCode
    if (options.pe32Plus) {
        AppendU32(out, 0x80000000u);  // ImageBase, 64-bit (low half)
        AppendU32(out, 0x00000001u);  //   (high half)
    } else {
        AppendU32(out, options.sectionRva);  // BaseOfData (PE32 only)
        AppendU32(out, 0x10000000u);         // ImageBase
    }
    AppendU32(out, 0x1000);          // SectionAlignment
    AppendU32(out, kFileAlignment);  // FileAlignment
    AppendU32(out, 0x00010005);      // OS version 5.1
    AppendU32(out, 0);               // image version
    AppendU32(out, 0x00010005);      // subsystem version 5.1
    AppendU32(out, 0);               // Win32VersionValue
    AppendU32(out,
              options.sectionRva + static_cast<uint32_t>(AlignUp(section.size(), 0x1000)));  // SizeOfImage
    AppendU32(out, kFileAlignment);                                                          // SizeOfHeaders
    AppendU32(out, 0);                                                                       // CheckSum
    AppendU16(out, 2);                                                                       // Subsystem: GUI
    AppendU16(out, 0);             // DllCharacteristics
    for (int i = 0; i < 4; ++i) {  // stack/heap reserve/commit
        AppendU32(out, 0x1000);
        if (options.pe32Plus) {
            AppendU32(out, 0);  //   64-bit high halves
        }
    }
    AppendU32(out, 0);                   // LoaderFlags
    AppendU32(out, 16);                  // NumberOfRvaAndSizes
    for (uint32_t i = 0; i < 16; ++i) {  // data directories: RVA, size
        if (i == 2) {
            module.resourceDirectoryEntry = out.size();
        }
        const bool resources = i == 2 && options.resourceDirectory;
        AppendU32(out, resources ? options.sectionRva : 0);
        AppendU32(out, resources ? static_cast<uint32_t>(section.size()) : 0);
    }

    module.sectionHeader = out.size();
    out += std::string(".rsrc\0\0\0", 8);                   // Name
    AppendU32(out, static_cast<uint32_t>(section.size()));  // VirtualSize
    AppendU32(out, options.sectionRva);                     // VirtualAddress
    AppendU32(out, static_cast<uint32_t>(rawSize));         // SizeOfRawData
    AppendU32(out, kFileAlignment);                         // PointerToRawData: after the headers
    AppendU32(out, 0);                                      // PointerToRelocations
    AppendU32(out, 0);                                      // PointerToLinenumbers
    AppendU16(out, 0);                                      // NumberOfRelocations
    AppendU16(out, 0);                                      // NumberOfLinenumbers
    AppendU32(out, 0x40000040);                             // Characteristics: initialized data, readable

    out.resize(kFileAlignment, '\0');
    module.section = out.size();
    out += section;
    out.resize(module.section + rawSize, '\0');
    return module;
}

}  // namespace faceloom::test
