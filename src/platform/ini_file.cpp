#include "platform/ini_file.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace faceloom {

namespace {

constexpr size_t kMaxStringLength = 2047;  // the 2048-character buffer of a profile read, less its NUL
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";
constexpr size_t kNone = static_cast<size_t>(-1);

// Blanks around names and values; Ctrl-Z counts as one because old editors end files with it.
bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A';
}

std::string_view Trim(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

enum class TLineKind { Blank, Section, Key, Other };

struct TLine {
    size_t start = 0;      // first byte of the line
    size_t length = 0;     // bytes before the line end
    size_t endLength = 0;  // 0 (last line without line end), 1 (LF or a lone CR) or 2 (CR LF)
    TLineKind kind = TLineKind::Blank;
    // Section or key name and key value as written, trimmed: offsets into the text, so the
    // lines stay valid wherever the text object moves.
    size_t nameStart = 0;
    size_t nameLength = 0;
    size_t valueStart = 0;
    size_t valueLength = 0;
};

// One INI file's text split into lines, each classified the way the private-profile reader
// sees it. Names and values are kept as positions in the raw text so that a write can
// replace exactly one line and keep the rest byte for byte.
class TIniText {
public:
    explicit TIniText(std::string text) : text_(std::move(text)) {
        size_t pos = 0;
        // A UTF-8 byte-order mark switches the whole file to UTF-8, as it does for Windows;
        // names and values are converted to the pack code page and back.
        if (std::string_view(text_).substr(0, kUtf8Bom.size()) == kUtf8Bom) {
            utf8_ = true;
            pos = kUtf8Bom.size();
        }
        while (pos < text_.size()) {
            TLine line;
            line.start = pos;
            while (pos < text_.size() && text_[pos] != '\n' && text_[pos] != '\r') ++pos;
            line.length = pos - line.start;
            if (pos < text_.size()) {
                line.endLength =
                    (text_[pos] == '\r' && pos + 1 < text_.size() && text_[pos + 1] == '\n') ? 2 : 1;
                if (newLine_.empty()) newLine_ = text_.substr(pos, line.endLength);
                pos += line.endLength;
            }
            Classify(line);
            lines_.push_back(line);
        }
        if (newLine_.empty()) newLine_ = kCrLf;
    }

    const std::string& Text() const { return text_; }
    const std::vector<TLine>& Lines() const { return lines_; }
    std::string_view Name(const TLine& line) const {
        return std::string_view(text_).substr(line.nameStart, line.nameLength);
    }
    std::string_view Value(const TLine& line) const {
        return std::string_view(text_).substr(line.valueStart, line.valueLength);
    }
    // Line end for lines we add: the file's own (an LF-only file stays LF-only), else CR LF.
    const std::string& NewLine() const { return newLine_; }
    size_t BodyStart() const { return utf8_ ? kUtf8Bom.size() : 0; }

    // Raw bytes of the file <-> 8-bit pack text.
    std::string Decode(std::string_view raw) const { return utf8_ ? Utf8ToCodePage(raw) : std::string(raw); }
    std::string Encode(std::string_view text) const {
        return utf8_ ? CodePageToUtf8(text) : std::string(text);
    }

    // Index of the header line of the first section of that name, or kNone. Like Windows,
    // only the first of duplicate sections is ever looked at.
    size_t FindSection(std::string_view section) const {
        const std::string_view wanted = Trim(section);
        for (size_t i = 0; i < lines_.size(); ++i) {
            if (lines_[i].kind == TLineKind::Section && SameTextFolded(Decode(Name(lines_[i])), wanted)) {
                return i;
            }
        }
        return kNone;
    }

    // One past the last line of the section whose header is at index header.
    size_t SectionEnd(size_t header) const {
        size_t i = header + 1;
        while (i < lines_.size() && lines_[i].kind != TLineKind::Section) ++i;
        return i;
    }

    // The first line of the key in the section (first of duplicates wins), or kNone.
    size_t FindKey(size_t header, std::string_view key) const {
        if (header == kNone) return kNone;
        const std::string_view wanted = Trim(key);
        const size_t end = SectionEnd(header);
        for (size_t i = header + 1; i < end; ++i) {
            if (lines_[i].kind == TLineKind::Key && SameTextFolded(Decode(Name(lines_[i])), wanted)) {
                return i;
            }
        }
        return kNone;
    }

    size_t FindKey(std::string_view section, std::string_view key) const {
        return FindKey(FindSection(section), key);
    }

private:
    void Classify(TLine& line) const {
        const std::string_view content = Trim(std::string_view(text_).substr(line.start, line.length));
        if (content.empty()) {
            line.kind = TLineKind::Blank;
            return;
        }
        if (content.front() == '[') {
            // The name runs to the last "]"; anything after it is ignored. A "[" line
            // without "]" is no section header and does not end the current section.
            const size_t close = content.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                line.kind = TLineKind::Section;
                SetName(line, Trim(content.substr(1, close - 1)));
                return;
            }
            line.kind = TLineKind::Other;
            return;
        }
        if (content.front() == ';') {
            line.kind = TLineKind::Other;  // comment
            return;
        }
        const size_t equals = content.find('=');
        if (equals == std::string_view::npos) {
            line.kind = TLineKind::Other;  // a line without "=" holds no value
            return;
        }
        line.kind = TLineKind::Key;
        SetName(line, Trim(content.substr(0, equals)));
        const std::string_view value = Trim(content.substr(equals + 1));
        line.valueStart = static_cast<size_t>(value.data() - text_.data());
        line.valueLength = value.size();
    }

    void SetName(TLine& line, std::string_view name) const {
        line.nameStart = static_cast<size_t>(name.data() - text_.data());
        line.nameLength = name.size();
    }

    std::string text_;
    bool utf8_ = false;
    std::string newLine_;
    std::vector<TLine> lines_;
};

// What the reader makes of a stored value: as far as a C string goes, without one pair of
// matching enclosing quotes, cut to the profile buffer.
std::string ReadableValue(std::string value) {
    const size_t nul = value.find('\0');
    if (nul != std::string::npos) value.resize(nul);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    if (value.size() > kMaxStringLength) value.resize(kMaxStringLength);
    return value;
}

bool HoldsLineBreak(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

TIniFile::TIniFile(std::string fileName, TDurability durability)
    : fileName_(std::move(fileName)), durability_(durability) {}

bool IniValueReadsBack(std::string_view value) {
    return !HoldsLineBreak(value) && Trim(value) == value && value.size() <= kMaxStringLength &&
           ReadableValue(std::string(value)) == value;
}

namespace {

std::optional<TIniText> LoadForReading(const std::string& fileName) {
    if (fileName.empty()) return std::nullopt;
    std::optional<std::string> bytes = ReadWholeFile(fileName);
    if (!bytes) return std::nullopt;
    return TIniText(std::move(*bytes));
}

// The current text for a rewrite. A file that exists but cannot be read is never replaced:
// rewriting it from nothing would throw away every other key.
TIniText LoadForWriting(const std::string& fileName) {
    if (fileName.empty()) throw EInOutError::UnableToWrite(fileName);
    std::optional<std::string> bytes = ReadWholeFile(fileName);
    if (!bytes) {
        if (FileExists(fileName) || DirectoryExists(fileName)) throw EInOutError::UnableToWrite(fileName);
        bytes.emplace();
    }
    return TIniText(std::move(*bytes));
}

// Names and values that could not be read back as written are refused rather than stored
// in a form that changes their meaning or the file's structure.
void CheckWritable(const std::string& fileName, const std::string& section, const std::string& key,
                   const std::string* value) {
    const std::string_view trimmedKey = Trim(key);
    if (HoldsLineBreak(section) || HoldsLineBreak(key) || (value != nullptr && HoldsLineBreak(*value)) ||
        trimmedKey.empty() || key.find('=') != std::string::npos || trimmedKey.front() == '[' ||
        trimmedKey.front() == ';') {
        throw EInOutError::UnableToWrite(fileName);
    }
}

void Store(const std::string& fileName, const std::string& bytes, TDurability durability) {
    // WriteFileAtomic reports failure as EInOutError naming the file and leaves the old one.
    WriteFileAtomic(fileName, bytes, durability);
}

}  // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    const std::optional<TIniText> ini = LoadForReading(fileName_);
    if (!ini) return defaultValue;
    const size_t line = ini->FindKey(section, key);
    if (line == kNone) return defaultValue;
    return ReadableValue(ini->Decode(ini->Value(ini->Lines()[line])));
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    CheckWritable(fileName_, section, key, &value);
    const TIniText ini = LoadForWriting(fileName_);
    const std::string& text = ini.Text();
    const std::string& nl = ini.NewLine();
    const std::string encodedValue = ini.Encode(value);
    std::string result;

    const size_t header = ini.FindSection(section);
    if (header == kNone) {
        // A new section goes at the end of the file.
        result = text;
        if (!ini.Lines().empty() && ini.Lines().back().endLength == 0) result += nl;
        result += "[" + ini.Encode(Trim(section)) + "]" + nl;
        result += ini.Encode(Trim(key)) + "=" + encodedValue + nl;
    } else if (const size_t keyLine = ini.FindKey(header, key); keyLine != kNone) {
        const TLine& line = ini.Lines()[keyLine];
        if (ini.Value(line) == encodedValue) return;  // nothing changes, the file stays untouched
        // Only this line changes; the key keeps its spelling as written in the file.
        result = text.substr(0, line.start);
        result += std::string(ini.Name(line)) + "=" + encodedValue;
        result += line.endLength > 0 ? text.substr(line.start + line.length, line.endLength) : nl;
        result += text.substr(line.start + line.length + line.endLength);
    } else {
        // A new key goes after the last non-blank line of its section, so blank lines that
        // separate it from the next section stay where they are.
        size_t last = header;
        for (size_t i = header + 1; i < ini.SectionEnd(header); ++i) {
            if (ini.Lines()[i].kind != TLineKind::Blank) last = i;
        }
        const TLine& after = ini.Lines()[last];
        const size_t insertAt = after.start + after.length + after.endLength;
        result = text.substr(0, insertAt);
        if (after.endLength == 0) result += nl;
        result += ini.Encode(Trim(key)) + "=" + encodedValue + nl;
        result += text.substr(insertAt);
    }
    Store(fileName_, result, durability_);
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                              int32_t defaultValue) const {
    int32_t value = 0;
    return ParseIniInteger(ReadString(section, key, ""), value) ? value : defaultValue;
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
    WriteString(section, key, std::to_string(value));
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    CheckWritable(fileName_, section, key, nullptr);
    const TIniText ini = LoadForWriting(fileName_);
    const size_t header = ini.FindSection(section);
    if (ini.FindKey(header, key) == kNone) return;
    // Every duplicate goes too, so that the key is really absent afterwards.
    const std::string& text = ini.Text();
    std::string result = text.substr(0, ini.BodyStart());
    const std::string_view wanted = Trim(key);
    const size_t end = ini.SectionEnd(header);
    for (size_t i = 0; i < ini.Lines().size(); ++i) {
        const TLine& line = ini.Lines()[i];
        const bool drop = i > header && i < end && line.kind == TLineKind::Key &&
                          SameTextFolded(ini.Decode(ini.Name(line)), wanted);
        if (!drop) result += text.substr(line.start, line.length + line.endLength);
    }
    Store(fileName_, result, durability_);
}

bool TIniFile::SectionExists(const std::string& section) const {
    const std::optional<TIniText> ini = LoadForReading(fileName_);
    return ini && ini->FindSection(section) != kNone;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    const std::optional<TIniText> ini = LoadForReading(fileName_);
    return ini && ini->FindKey(section, key) != kNone;
}

bool ParseIniInteger(const std::string& text, int32_t& value) {
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    bool hex = false;
    if (pos < text.size() && text[pos] == '$') {
        hex = true;
        pos += 1;
    } else if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        hex = true;
        pos += 2;
    }
    if (pos >= text.size()) return false;

    uint64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        // Hexadecimal covers the 32 bits and wraps ("$FFFFFFF5" is -11); decimal must fit.
        const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
        if (magnitude > limit) return false;
    }
    uint32_t bits = static_cast<uint32_t>(magnitude);
    if (negative) bits = ~bits + 1u;
    value = static_cast<int32_t>(bits);
    return true;
}

}  // namespace faceloom
