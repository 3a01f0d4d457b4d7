#include "lang/lang_compiler.h"

#include <stdexcept>

#include "lang/pe_string_table.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace faceloom {

namespace {

constexpr size_t kMaxErrors = 50;
constexpr uint32_t kStringsPerBlock = 16;

// ---- Source ------------------------------------------------------------------------------

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Strict UTF-8 to UTF-16: a source saved in another encoding is an error to report, not
// text to guess at. False at the first ill-formed sequence (overlong forms, surrogates and
// values past U+10FFFF included).
bool DecodeUtf8(std::string_view text, std::u16string& out) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        uint32_t code = 0;
        size_t extra = 0;
        uint32_t minimum = 0;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1F;
            extra = 1;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0F;
            extra = 2;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            code = lead & 0x07;
            extra = 3;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (extra > text.size() - i - 1) {
            return false;
        }
        for (size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += extra + 1;
    }
    return true;
}

// The text after "=": escapes resolved, then decoded. An empty string when all is well,
// else the error.
std::string ParseText(std::string_view raw, std::u16string& text) {
    std::string unescaped;
    unescaped.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            unescaped.push_back(raw[i]);
            continue;
        }
        if (i + 1 == raw.size()) {
            return "the text ends with a lone '\\' (write '\\\\' for a backslash)";
        }
        const char next = raw[++i];
        switch (next) {
            case 'n':
                unescaped.push_back('\n');
                break;
            case 't':
                unescaped.push_back('\t');
                break;
            case '\\':
                unescaped.push_back('\\');
                break;
            default:
                return std::string("unknown escape '\\") + next + "' (known: \\n, \\t, \\\\)";
        }
    }
    text.clear();
    if (!DecodeUtf8(unescaped, text)) {
        return "the text is not valid UTF-8";
    }
    if (text.size() > 0xFFFF) {
        return "the text is longer than 65535 UTF-16 units";
    }
    return {};
}

// The id before "="; an empty string when it is one, else the error.
std::string ParseId(std::string_view raw, uint16_t& id) {
    if (raw.empty()) {
        return "a text id is missing before '='";
    }
    uint64_t value = 0;
    for (char c : raw) {
        if (c < '0' || c > '9') {
            return "'" + std::string(raw) + "' is not a text id (a number from 0 to 65535)";
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > 0xFFFF) {
            return "the text id " + std::string(raw) + " is out of the range 0..65535";
        }
    }
    id = static_cast<uint16_t>(value);
    return {};
}

// ---- Module ------------------------------------------------------------------------------

// Fixed layout of the module: the headers fill the first file-alignment unit, the one
// section ".rsrc" follows in the file and at the first section-alignment unit in memory.
constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kPeHeaderOffset = 0x80;
constexpr uint32_t kOptionalHeaderSize = 224;  // PE32 with 16 data directories
constexpr uint32_t kHeadersSize = 0x200;       // DOS header, stub, PE headers, one section header
constexpr uint32_t kSectionRva = kSectionAlignment;
constexpr uint32_t kChecksumOffset = kPeHeaderOffset + 4 + 20 + 64;

uint64_t AlignUp(uint64_t value, uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

class TBytes {
public:
    explicit TBytes(size_t size) : bytes_(size, '\0') {}
    void U8(size_t at, uint8_t v) { bytes_[at] = static_cast<char>(v); }
    void U16(size_t at, uint16_t v) {
        U8(at, static_cast<uint8_t>(v));
        U8(at + 1, static_cast<uint8_t>(v >> 8));
    }
    void U32(size_t at, uint32_t v) {
        U16(at, static_cast<uint16_t>(v));
        U16(at + 2, static_cast<uint16_t>(v >> 16));
    }
    void Text(size_t at, std::string_view text) { bytes_.replace(at, text.size(), text); }
    std::string& Bytes() { return bytes_; }

private:
    std::string bytes_;
};

// The PE checksum (as computed by the Windows image helper): 16-bit one's-complement-style
// sum of the file with the checksum field taken as zero, plus the file length.
uint32_t PeChecksum(const std::string& file) {
    uint64_t sum = 0;
    for (size_t i = 0; i + 1 < file.size(); i += 2) {
        if (i == kChecksumOffset || i == kChecksumOffset + 2) {
            continue;
        }
        sum += static_cast<uint8_t>(file[i]) | static_cast<uint32_t>(static_cast<uint8_t>(file[i + 1])) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    if (file.size() % 2 != 0) {
        sum += static_cast<uint8_t>(file.back());
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + file.size());
}

void WriteDosHeader(TBytes& out) {
    // The usual header and stub of Microsoft linkers: run under DOS, it prints a notice.
    out.U16(0x00, 0x5A4D);           // e_magic "MZ"
    out.U16(0x02, 0x0090);           // e_cblp: bytes on the last page
    out.U16(0x04, 0x0003);           // e_cp: pages
    out.U16(0x08, 0x0004);           // e_cparhdr: header size in paragraphs
    out.U16(0x0C, 0xFFFF);           // e_maxalloc
    out.U16(0x10, 0x00B8);           // e_sp
    out.U16(0x18, 0x0040);           // e_lfarlc: relocation table right after the header
    out.U32(0x3C, kPeHeaderOffset);  // e_lfanew
    static constexpr unsigned char kStubCode[] = {
        0x0E,              // push cs
        0x1F,              // pop ds
        0xBA, 0x0E, 0x00,  // mov dx, message
        0xB4, 0x09,        // mov ah, 9 (print)
        0xCD, 0x21,        // int 21h
        0xB8, 0x01, 0x4C,  // mov ax, 4C01h (exit 1)
        0xCD, 0x21,        // int 21h
    };
    for (size_t i = 0; i < sizeof kStubCode; ++i) {
        out.U8(0x40 + i, kStubCode[i]);
    }
    out.Text(0x40 + sizeof kStubCode, "This program cannot be run in DOS mode.\r\r\n$");
}

void WritePeHeaders(TBytes& out, uint32_t sectionSize, uint32_t sectionRawSize) {
    const uint32_t imageSize = kSectionRva + static_cast<uint32_t>(AlignUp(sectionSize, kSectionAlignment));
    size_t at = kPeHeaderOffset;
    out.Text(at, std::string_view("PE\0\0", 4));
    at += 4;
    // COFF file header.
    out.U16(at + 0, 0x014C);                // Machine: i386
    out.U16(at + 2, 1);                     // NumberOfSections
    out.U32(at + 4, 0);                     // TimeDateStamp: 0 keeps builds reproducible
    out.U32(at + 8, 0);                     // PointerToSymbolTable
    out.U32(at + 12, 0);                    // NumberOfSymbols
    out.U16(at + 16, kOptionalHeaderSize);  // SizeOfOptionalHeader
    out.U16(at + 18, 0x2102);               // Characteristics: EXECUTABLE_IMAGE | 32BIT_MACHINE | DLL
    at += 20;
    // Optional header, PE32.
    const size_t opt = at;
    out.U16(opt + 0, 0x010B);              // Magic: PE32
    out.U8(opt + 2, 1);                    // MajorLinkerVersion
    out.U32(opt + 4, 0);                   // SizeOfCode: no code at all
    out.U32(opt + 8, sectionRawSize);      // SizeOfInitializedData
    out.U32(opt + 12, 0);                  // SizeOfUninitializedData
    out.U32(opt + 16, 0);                  // AddressOfEntryPoint: none, a resource-only DLL
    out.U32(opt + 20, kSectionRva);        // BaseOfCode
    out.U32(opt + 24, kSectionRva);        // BaseOfData
    out.U32(opt + 28, 0x10000000);         // ImageBase: the usual DLL base
    out.U32(opt + 32, kSectionAlignment);  // SectionAlignment
    out.U32(opt + 36, kFileAlignment);     // FileAlignment
    out.U16(opt + 40, 5);                  // MajorOperatingSystemVersion
    out.U16(opt + 42, 1);                  // MinorOperatingSystemVersion
    out.U16(opt + 44, 0);                  // MajorImageVersion
    out.U16(opt + 46, 0);                  // MinorImageVersion
    out.U16(opt + 48, 5);                  // MajorSubsystemVersion
    out.U16(opt + 50, 1);                  // MinorSubsystemVersion
    out.U32(opt + 52, 0);                  // Win32VersionValue
    out.U32(opt + 56, imageSize);          // SizeOfImage
    out.U32(opt + 60, kHeadersSize);       // SizeOfHeaders
    out.U32(opt + 64, 0);                  // CheckSum: filled in last
    out.U16(opt + 68, 2);                  // Subsystem: Windows GUI
    out.U16(opt + 70, 0);                  // DllCharacteristics
    out.U32(opt + 72, 0x00100000);         // SizeOfStackReserve
    out.U32(opt + 76, 0x00001000);         // SizeOfStackCommit
    out.U32(opt + 80, 0x00100000);         // SizeOfHeapReserve
    out.U32(opt + 84, 0x00001000);         // SizeOfHeapCommit
    out.U32(opt + 88, 0);                  // LoaderFlags
    out.U32(opt + 92, 16);                 // NumberOfRvaAndSizes
    // Data directories (16 x RVA, size); only the resource directory (index 2) is used.
    out.U32(opt + 96 + 2 * 8, kSectionRva);
    out.U32(opt + 96 + 2 * 8 + 4, sectionSize);
    at = opt + kOptionalHeaderSize;
    // Section header.
    out.Text(at, ".rsrc");             // Name, zero-padded to 8 bytes
    out.U32(at + 8, sectionSize);      // VirtualSize
    out.U32(at + 12, kSectionRva);     // VirtualAddress
    out.U32(at + 16, sectionRawSize);  // SizeOfRawData
    out.U32(at + 20, kHeadersSize);    // PointerToRawData
    out.U32(at + 36, 0x40000040);      // Characteristics: INITIALIZED_DATA | MEM_READ
}

struct TBlockLayout {
    uint32_t blockId;
    uint32_t dataOffset;
    uint32_t dataSize;
};

}  // namespace

std::string FormatLangSourceError(const std::string& sourceName, const TLangSourceError& error) {
    if (error.line <= 0) {
        return sourceName + ": " + error.message;
    }
    return sourceName + ":" + std::to_string(error.line) + ": " + error.message;
}

bool ParseLangSource(std::string_view source, TLangTexts& texts, std::vector<TLangSourceError>& errors) {
    texts.clear();
    errors.clear();
    std::map<uint16_t, int> lineOfId;
    if (source.substr(0, 3) == "\xEF\xBB\xBF") {
        source.remove_prefix(3);
    }
    int lineNumber = 0;
    auto report = [&](std::string message) {
        if (errors.size() < kMaxErrors) {
            errors.push_back(TLangSourceError{lineNumber, std::move(message)});
        } else if (errors.size() == kMaxErrors) {
            errors.push_back(TLangSourceError{0, "too many errors; stopped listing them"});
        }
    };
    while (!source.empty()) {
        ++lineNumber;
        const size_t end = source.find('\n');
        std::string_view line = source.substr(0, end);
        source.remove_prefix(end == std::string_view::npos ? source.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        line = Trim(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            report("expected 'id = text'");
            continue;
        }
        uint16_t id = 0;
        std::string error = ParseId(Trim(line.substr(0, equals)), id);
        if (!error.empty()) {
            report(std::move(error));
            continue;
        }
        std::u16string text;
        error = ParseText(Trim(line.substr(equals + 1)), text);
        if (!error.empty()) {
            report(std::move(error));
            continue;
        }
        const auto [previous, inserted] = lineOfId.emplace(id, lineNumber);
        if (!inserted) {
            report("the text id " + std::to_string(id) + " is already defined on line " +
                   std::to_string(previous->second));
            continue;
        }
        texts.emplace(id, std::move(text));
    }
    return errors.empty();
}

std::string WriteLangModule(const TLangTexts& texts) {
    // Group the texts into blocks of 16 and lay the resource section out: the directories
    // (root, type 6, one language directory per block), then the data entries, then the
    // blocks themselves, as resource compilers do.
    std::vector<TBlockLayout> blocks;
    for (const auto& [id, text] : texts) {
        const uint32_t blockId = id / kStringsPerBlock + 1;
        if (blocks.empty() || blocks.back().blockId != blockId) {
            blocks.push_back(TBlockLayout{blockId, 0, kStringsPerBlock * 2});
        }
        blocks.back().dataSize += static_cast<uint32_t>(text.size() * 2);
    }
    const uint64_t count = blocks.size();
    const uint64_t rootSize = 16 + (count > 0 ? 8 : 0);
    const uint64_t typeDirectory = rootSize;
    const uint64_t languageDirectories = typeDirectory + 16 + 8 * count;
    const uint64_t dataEntries = languageDirectories + 24 * count;
    uint64_t sectionSize = dataEntries + 16 * count;
    for (TBlockLayout& block : blocks) {
        sectionSize = AlignUp(sectionSize, 8);
        block.dataOffset = static_cast<uint32_t>(sectionSize);
        sectionSize += block.dataSize;
        if (sectionSize > TPeStringTable::kMaxModuleSize) {
            break;  // reported just below, before anything is allocated
        }
    }
    const uint64_t sectionRawSize = AlignUp(sectionSize, kFileAlignment);
    if (kHeadersSize + sectionRawSize > TPeStringTable::kMaxModuleSize) {
        throw std::length_error("the language module would be larger than a language module may be");
    }

    TBytes out(kHeadersSize + sectionRawSize);
    WriteDosHeader(out);
    WritePeHeaders(out, static_cast<uint32_t>(sectionSize), static_cast<uint32_t>(sectionRawSize));

    const size_t base = kHeadersSize;  // file offset of the section
    auto directory = [&](uint64_t at, uint16_t idEntries) {
        // Characteristics, TimeDateStamp, MajorVersion, MinorVersion stay 0.
        out.U16(base + at + 12, 0);          // NumberOfNamedEntries
        out.U16(base + at + 14, idEntries);  // NumberOfIdEntries
    };
    auto entry = [&](uint64_t at, uint32_t id, uint32_t target) {
        out.U32(base + at, id);
        out.U32(base + at + 4, target);
    };
    constexpr uint32_t kSubdirectory = 0x80000000u;
    directory(0, count > 0 ? 1 : 0);
    if (count > 0) {
        entry(16, 6, kSubdirectory | static_cast<uint32_t>(typeDirectory));  // RT_STRING
        directory(typeDirectory, static_cast<uint16_t>(count));
    }
    for (uint64_t i = 0; i < count; ++i) {
        const TBlockLayout& block = blocks[i];
        const uint64_t languageDirectory = languageDirectories + 24 * i;
        const uint64_t dataEntry = dataEntries + 16 * i;
        // Type directory: block ids ascending, as the format requires.
        entry(typeDirectory + 16 + 8 * i, block.blockId,
              kSubdirectory | static_cast<uint32_t>(languageDirectory));
        // Language directory: the language-neutral language (0) only.
        directory(languageDirectory, 1);
        entry(languageDirectory + 16, 0, static_cast<uint32_t>(dataEntry));
        // Data entry: RVA, size, code page, reserved.
        out.U32(base + dataEntry, kSectionRva + block.dataOffset);
        out.U32(base + dataEntry + 4, block.dataSize);
        // The block: 16 entries of length + UTF-16LE units; ids without text have length 0.
        size_t at = base + block.dataOffset;
        const uint32_t firstId = (block.blockId - 1) * kStringsPerBlock;
        for (uint32_t k = 0; k < kStringsPerBlock; ++k) {
            const auto text = texts.find(static_cast<uint16_t>(firstId + k));
            const std::u16string_view units = text == texts.end() ? std::u16string_view() : text->second;
            out.U16(at, static_cast<uint16_t>(units.size()));
            at += 2;
            for (char16_t unit : units) {
                out.U16(at, unit);
                at += 2;
            }
        }
    }
    out.U32(kChecksumOffset, PeChecksum(out.Bytes()));
    return std::move(out.Bytes());
}

bool CompileLangSource(std::string_view source, std::string& module, std::vector<TLangSourceError>& errors) {
    TLangTexts texts;
    if (!ParseLangSource(source, texts, errors)) {
        return false;
    }
    try {
        module = WriteLangModule(texts);
    } catch (const std::length_error& e) {
        errors.push_back(TLangSourceError{0, e.what()});
        return false;
    }
    return true;
}

bool CompileLangFile(const std::string& sourcePath, const std::string& modulePath,
                     std::vector<std::string>& messages) {
    messages.clear();
    const auto source = ReadWholeFile(sourcePath);
    if (!source) {
        messages.push_back(sourcePath + ": cannot be read");
        return false;
    }
    std::string module;
    std::vector<TLangSourceError> errors;
    if (!CompileLangSource(*source, module, errors)) {
        for (const TLangSourceError& error : errors) {
            messages.push_back(FormatLangSourceError(sourcePath, error));
        }
        return false;
    }
    try {
        WriteFileAtomic(modulePath, module);
    } catch (const EInOutError& e) {
        messages.push_back(e.what());
        return false;
    }
    return true;
}

}  // namespace faceloom
