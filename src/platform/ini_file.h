#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace faceloom {

// An INI file with the semantics of Windows private-profile access:
// - section and key names compare without regard to letter case (ASCII and Windows-1251);
// - a read of a missing file, section or key gives the default; strings are read up to
//   2047 characters; blanks around names and values are ignored, and so is one pair of
//   matching quotes around a value; the first of duplicate keys, and of duplicate sections,
//   wins; lines starting with ";" are comments; CR LF, LF and lone CR line ends and a missing
//   final line end are all read;
// - a UTF-8 byte-order mark makes the file UTF-8: names and values are converted from and to
//   the pack code page, and the mark stays;
// - a write changes only the line of its key (or adds the key after the last line of its
//   section, or the section at the end of the file) and leaves every other byte as it was;
//   writing the value a key already has leaves the file untouched; the file is created by
//   the first write; every write is on disk when the call returns (temp file and rename);
//   added lines end like the file's first line, CR LF in a new file.
// Names and values are 8-bit strings in the pack code page, passed through as bytes.
// A write that fails, a value or name holding CR, LF or NUL, or a key name that would read
// back as something else (empty, holding "=", starting with "[" or ";") throws
// EInOutError("Unable to write to <file>"); a file that exists but cannot be read is never
// replaced.
class TIniFile {
public:
    // Scratch writes skip the disk flush (still replacing the file in one step).
    explicit TIniFile(std::string fileName, TDurability durability = TDurability::Durable);

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    void WriteString(const std::string& section, const std::string& key, const std::string& value);

    // Decimal, "$" hex or "0x" hex, wrapping to 32 bits ("$FFFFFFF5" reads as -11); a
    // value that is not an integer reads as the default. Written in signed decimal.
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue) const;
    void WriteInteger(const std::string& section, const std::string& key, int32_t value);

    // Any integer other than 0 is true; a value that is not an integer is the default.
    // Written as "1" / "0".
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // Removes the key's line, and any duplicates of it in the section, so that the key is
    // absent afterwards. Throws like the writes.
    void DeleteKey(const std::string& section, const std::string& key);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;

private:
    std::string fileName_;
    TDurability durability_;
};

// Whether a string value written now reads back exactly: no CR, LF or NUL, no blanks at its
// ends, not enclosed in a pair of quotes, and within the 2047 characters a read returns.
bool IniValueReadsBack(std::string_view value);

// Parses an integer as the INI reader does; nullopt-like false when it is not one.
bool ParseIniInteger(const std::string& text, int32_t& value);

}  // namespace faceloom
