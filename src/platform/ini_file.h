#pragma once

#include <cstdint>
#include <string>

namespace faceloom {

// An INI file with the semantics of Windows private-profile access:
// - section and key names compare without regard to letter case (ASCII and Windows-1251);
// - a read of a missing file, section or key gives the default; strings are read up to
//   2047 characters; blanks around names and values are ignored; the first of duplicate
//   keys wins; CR LF and LF line ends, a missing final line end and a UTF-8 byte-order mark
//   are all read;
// - a write changes only the line of its key (or adds the key at the end of its section,
//   or the section at the end of the file) and leaves every other line as it was; the file
//   is created by the first write; every write is on disk when the call returns (temp file
//   and rename); written lines end with CR LF.
// Names and values are 8-bit strings in the pack code page, passed through as bytes.
// A write that fails, or a value or name holding a line end, throws
// EInOutError("Unable to write to <file>").
class TIniFile {
public:
    explicit TIniFile(std::string fileName);

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

    // Removes the key's line, if any. Throws like the writes.
    void DeleteKey(const std::string& section, const std::string& key);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;

private:
    std::string fileName_;
};

// Parses an integer as the INI reader does; nullopt-like false when it is not one.
bool ParseIniInteger(const std::string& text, int32_t& value);

}  // namespace faceloom
